#include "sim/SimAdapter.h"

#include <algorithm>

namespace dsim {

namespace {

constexpr int64_t kMs = 1000000;

}  // namespace

bool adapterProfile(const std::string& name, AdapterProfile& profile)
{
    // Latency-timer adapters send 64-byte packets of which 2 are status.
    const AdapterProfile profiles[] = {
        {"none", 0, 0, 0, 0},
        {"ftdi", 62, 16 * kMs, 0, 1 * kMs},
        {"ftdi-low", 62, 1 * kMs, 0, 1 * kMs},
        {"cp210x", 64, 0, 1 * kMs, 1 * kMs},
    };
    for (const AdapterProfile& p : profiles)
        if (p.name == name) {
            profile = p;
            return true;
        }
    return false;
}

std::string adapterNames()
{
    return "none|ftdi|ftdi-low|cp210x";
}

void AdapterModel::send(int64_t at)
{
    sent_.push_back({at, std::move(filling_)});
    filling_.clear();
    timerAt_ = at;
}

// Sends the packet being filled if its time has come by now.
void AdapterModel::advance(int64_t now)
{
    if (p_.latencyNs > 0) {
        if (!filling_.empty() && timerAt_ + p_.latencyNs <= now)
            send(timerAt_ + p_.latencyNs);
        // Empty status packets keep the timer's rhythm while nothing comes.
        if (filling_.empty() && now > timerAt_)
            timerAt_ += (now - timerAt_) / p_.latencyNs * p_.latencyNs;
    } else if (!filling_.empty() && firstAt_ + p_.turnaroundNs <= now) {
        send(firstAt_ + p_.turnaroundNs);
    }
}

void AdapterModel::receive(int64_t at, uint8_t byte)
{
    at = std::max(at, last_);
    last_ = at;
    if (p_.packetBytes == 0) {
        sent_.push_back({at, Bytes{byte}});
        return;
    }
    advance(at);
    if (filling_.empty())
        firstAt_ = at;
    filling_.push_back(byte);
    if (filling_.size() >= p_.packetBytes)
        send(at);
}

int64_t AdapterModel::nextPacket() const
{
    if (!sent_.empty())
        return sent_.front().at;
    if (filling_.empty())
        return -1;
    return p_.latencyNs > 0 ? timerAt_ + p_.latencyNs : firstAt_ + p_.turnaroundNs;
}

void AdapterModel::release(int64_t now, Bytes& out)
{
    if (p_.packetBytes != 0)
        advance(now);
    while (!sent_.empty() && sent_.front().at <= now) {
        out.insert(out.end(), sent_.front().bytes.begin(), sent_.front().bytes.end());
        sent_.pop_front();
    }
}

void AdapterModel::releaseAll(Bytes& out)
{
    for (const Packet& p : sent_)
        out.insert(out.end(), p.bytes.begin(), p.bytes.end());
    out.insert(out.end(), filling_.begin(), filling_.end());
    clear();
}

void AdapterModel::clear()
{
    sent_.clear();
    filling_.clear();
}

}  // namespace dsim
