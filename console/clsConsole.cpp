#include "console/clsConsole.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "link/Common.h"
#include "link/clsCmcEeprom.h"
#include "link/clsCmcOrb5Sequence.h"
#include "platform/Controls.h"

namespace {

// Rightmost n characters of s (all of s when it is shorter).
std::string right(const std::string& s, size_t n)
{
    return s.size() <= n ? s : s.substr(s.size() - n);
}

// Nearest whole number, a half going to the even neighbour.
long roundHalfEven(double x)
{
    const double f = std::floor(x);
    const double d = x - f;
    auto n = static_cast<long>(f);
    if (d > 0.5 || (d == 0.5 && (n % 2) != 0))
        ++n;
    return n;
}

}  // namespace

clsConsole::clsConsole()
    : items_(1)
{
}

const clsConsole::Item& clsConsole::item(int16_t i) const
{
    static const Item kDefaults;
    return valid(i) ? items_[static_cast<size_t>(i)] : kDefaults;
}

// ---- list operations -------------------------------------------------------

void clsConsole::Clear()
{
    items_.assign(1, Item{});
    count_ = 0;
    barWidth_ = kBarWidth;
    if (myListBox != nullptr)
        myListBox->clear();
}

void clsConsole::AddItem()
{
    if (count_ == std::numeric_limits<int16_t>::max())
        return;
    ++count_;
    items_.resize(static_cast<size_t>(count_) + 1);
    items_[static_cast<size_t>(count_) - 1] = Item{};
    if (myListBox != nullptr)
        while (myListBox->count() < count_)
            myListBox->addLine("");
    Disp(static_cast<int16_t>(count_ - 1));
}

// ---- property writes -------------------------------------------------------

void clsConsole::setTitle(int16_t i, const std::string& v)
{
    if (!valid(i))
        return;
    items_[static_cast<size_t>(i)].Title = v;
    Disp(i);
}

void clsConsole::setValue(int16_t i, int16_t v)
{
    if (!valid(i))
        return;
    Item& it = items_[static_cast<size_t>(i)];
    const int16_t before = it.Value;
    it.Value = v;
    LimitValue(i);
    if (it.Value != before)
        Disp(i);
    // Marked even when the value did not change: the operator asked for it to
    // be sent.
    it.flgChanged = true;
}

void clsConsole::setMin(int16_t i, int16_t v)
{
    if (!valid(i))
        return;
    Item& it = items_[static_cast<size_t>(i)];
    it.Min = v;
    if (it.Max < it.Min)
        it.Max = it.Min;
    LimitValue(i);
    Disp(i);
}

void clsConsole::setMax(int16_t i, int16_t v)
{
    if (!valid(i))
        return;
    Item& it = items_[static_cast<size_t>(i)];
    it.Max = v;
    if (it.Max < it.Min)
        it.Min = it.Max;
    LimitValue(i);
    Disp(i);
}

void clsConsole::setEvent_Disp(int16_t i, int16_t v)
{
    if (!valid(i))
        return;
    items_[static_cast<size_t>(i)].Event_Disp = v;
    Disp(i);
}

void clsConsole::setflgChanged(int16_t i, bool v)
{
    if (!valid(i))
        return;
    items_[static_cast<size_t>(i)].flgChanged = v;
    if (v) {
        LimitValue(i);
        Disp(i);
    }
}

void clsConsole::setflgEnterOn(int16_t i, bool v)
{
    if (!valid(i))
        return;
    // Only one Enter waits for the model at a time: the latest one.
    if (v)
        for (int16_t k = 0; k < count_; ++k)
            items_[static_cast<size_t>(k)].flgEnterOn = false;
    items_[static_cast<size_t>(i)].flgEnterOn = v;
}

void clsConsole::LimitValue(int16_t i)
{
    Item& it = items_[static_cast<size_t>(i)];
    const int16_t before = it.Value;
    if (it.Value < it.Min)
        it.Value = it.Min;
    if (it.Max < it.Value)
        it.Value = it.Max;
    if (it.Value != before)
        Disp(i);
}

// ---- rendering -------------------------------------------------------------

std::string clsConsole::DefaultString(int16_t i) const
{
    const Item& it = item(i);
    // The value field is four characters, right-aligned; a longer number
    // (-1000 and below) keeps only its last four characters.
    std::string s = it.Title + ":" + right("   " + std::to_string(it.Value), 4);
    if (it.BarExist)
        s += BarString(i);
    return s;
}

std::string clsConsole::BarString(int16_t i) const
{
    const Item& it = item(i);
    const int w = barWidth_;
    long filled = 0;
    // An empty range (Max = Min) shows an empty bar; a value outside the
    // range shows an empty or a full bar.
    if (it.Max > it.Min) {
        const double cells = static_cast<double>(it.Value - it.Min) * w / static_cast<double>(it.Max - it.Min);
        filled = std::clamp<long>(roundHalfEven(cells), 0, w);
    }
    return " [" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(w - filled), '-') + "]";
}

void clsConsole::Disp(int16_t i)
{
    if (!valid(i) || myListBox == nullptr)
        return;
    const Item& it = items_[static_cast<size_t>(i)];
    if (it.Event_Disp < 0 || myEventClass == nullptr) {
        myListBox->setLine(i, DefaultString(i));
        return;
    }
    // The receiver gets its own copy of the index; the line written is the
    // item's own whatever it does with it.
    int16_t index = i;
    const std::string text = myEventClass->ConsEv_Disp(*this, index, it.Event_Disp, it.Value);
    if (valid(i))
        myListBox->setLine(i, text);
}

// ---- actions ---------------------------------------------------------------

void clsConsole::UpDown(int16_t i, int16_t step)
{
    if (!valid(i))
        return;
    const Item& it = items_[static_cast<size_t>(i)];
    int32_t next;
    if (it.LoopVal && step > 0 && it.Value >= it.Max)
        next = it.Min;   // wrap to the bottom; the rest of the step is dropped
    else if (it.LoopVal && step < 0 && it.Value <= it.Min)
        next = it.Max;   // wrap to the top
    else
        next = static_cast<int32_t>(it.Value) + step;
    next = std::clamp<int32_t>(next, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
    setValue(i, static_cast<int16_t>(next));
}

void clsConsole::ReadFromEe(int16_t i)
{
    if (!valid(i) || myEeprom == nullptr)
        return;
    const Item& it = items_[static_cast<size_t>(i)];
    if (it.EeAdr < 0)
        return;
    int16_t b = myEeprom->ReadByte(it.EeAdr);
    if (it.EeDataSigned && b >= 128)
        b = static_cast<int16_t>(b - 256);
    setValue(i, b);
}

void clsConsole::WriteToEe(int16_t i)
{
    if (!valid(i) || myEeprom == nullptr)
        return;
    const Item& it = items_[static_cast<size_t>(i)];
    if (it.EeAdr < 0)
        return;
    // One byte: the low eight bits of the value. A negative value of a signed
    // item is thus stored in two's complement (-10 becomes 0xF6), the inverse
    // of ReadFromEe.
    myEeprom->WriteByte(it.EeAdr, static_cast<uint8_t>(it.Value & 0xFF));
}

void clsConsole::SendE8(int16_t i)
{
    if (!valid(i))
        return;
    // A copy: the calls below may reach code that rebuilds the item list.
    const Item it = items_[static_cast<size_t>(i)];
    if (it.Event_SendE8 < 0) {
        if (it.E8Command >= 0 && myOrb5Seq != nullptr) {
            // Command byte, then the value's two hexadecimal digits as ASCII
            // characters: command 0x12 with 200 (C8) is 12 43 38.
            myOrb5Seq->easySendE8NoAnswer(ByteToHex2(it.E8Command) + ByteToAsciiHexStr(it.Value));
            if (myEventClass != nullptr)
                myEventClass->setWaitE8Required(it.WaitAfterE8);
        }
    } else if (myEventClass != nullptr) {
        int16_t index = i;
        myEventClass->ConsEv_SendE8(*this, index, it.Event_SendE8, it.Value);
    }
    // The EEPROM image always follows the value last sent.
    WriteToEe(i);
}

void clsConsole::EnterPushed(int16_t i)
{
    setflgEnterOn(i, true);
}

void clsConsole::EnterExec(int16_t i)
{
    if (!valid(i))
        return;
    const Item& it = items_[static_cast<size_t>(i)];
    if (it.Event_Enter < 0 || myEventClass == nullptr)
        return;
    int16_t index = i;
    myEventClass->ConsEv_Enter(*this, index, it.Event_Enter, it.Value);
    // The handler may have changed the value or what the line shows.
    Disp(i);
}
