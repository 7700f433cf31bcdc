#include "platform/qt/QtControls.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace platform {

QString ToQt(const std::string& text)
{
    QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

std::string FromQt(const QString& text)
{
    QString s = text;
    s.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    const QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

QColor SysColourValue(SysColour colour)
{
    const QPalette pal = QApplication::palette();
    switch (colour) {
    case SysColour::ButtonText:
        return pal.color(QPalette::Active, QPalette::ButtonText);
    case SysColour::GrayText:
        return pal.color(QPalette::Disabled, QPalette::WindowText);
    case SysColour::ButtonShadow:
        return pal.color(QPalette::Active, QPalette::Dark);
    case SysColour::ButtonHighlight:
        return pal.color(QPalette::Active, QPalette::Light);
    }
    return pal.color(QPalette::Active, QPalette::WindowText);
}

// ---- twips ---------------------------------------------------------------

namespace {

const QScreen* screenOf(const QWidget* w)
{
    const QScreen* s = w != nullptr ? w->screen() : nullptr;
    return s != nullptr ? s : QGuiApplication::primaryScreen();
}

int roundPx(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

}  // namespace

double TwipScale::dpiX() const
{
    const QScreen* s = screenOf(ref_);
    return s != nullptr && s->logicalDotsPerInchX() > 0 ? s->logicalDotsPerInchX() : 96.0;
}

double TwipScale::dpiY() const
{
    const QScreen* s = screenOf(ref_);
    return s != nullptr && s->logicalDotsPerInchY() > 0 ? s->logicalDotsPerInchY() : 96.0;
}

int TwipScale::toPxX(int32_t twips) const
{
    return roundPx(twips * dpiX() / 1440.0);
}

int TwipScale::toPxY(int32_t twips) const
{
    return roundPx(twips * dpiY() / 1440.0);
}

int32_t TwipScale::toTwipsX(int px) const
{
    return static_cast<int32_t>(std::floor(px * 1440.0 / dpiX() + 0.5));
}

int32_t TwipScale::toTwipsY(int px) const
{
    return static_cast<int32_t>(std::floor(px * 1440.0 / dpiY() + 0.5));
}

// ---- tab order -------------------------------------------------------------

void TabOrder::place(QWidget* w, int index)
{
    order_.erase(std::remove_if(order_.begin(), order_.end(),
                                [w](const QPointer<QWidget>& p) { return p == w || p.isNull(); }),
                 order_.end());
    const size_t at = std::min(static_cast<size_t>(std::max(index, 0)), order_.size());
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(at), QPointer<QWidget>(w));
    for (size_t i = 1; i < order_.size(); ++i)
        QWidget::setTabOrder(order_[i - 1], order_[i]);
}

// ---- placeable -------------------------------------------------------------

QtPlaceable::QtPlaceable(QWidget* w, const TwipScale& scale, TabOrder* order) : w_(w), scale_(scale), order_(order)
{
}

TwipRect QtPlaceable::bounds() const
{
    const QRect g = w_->geometry();
    const int32_t left = scale_.toTwipsX(g.x());
    const int32_t top = scale_.toTwipsY(g.y());
    return {left, top, scale_.toTwipsX(g.x() + g.width()) - left, scale_.toTwipsY(g.y() + g.height()) - top};
}

void QtPlaceable::setBounds(const TwipRect& r)
{
    // Edges are rounded, not sizes, so that neighbours meet without gaps.
    const int x = scale_.toPxX(r.left);
    const int y = scale_.toPxY(r.top);
    const int w = std::max(scale_.toPxX(r.right()) - x, r.width > 0 ? 1 : 0);
    const int h = std::max(scale_.toPxY(r.bottom()) - y, r.height > 0 ? 1 : 0);
    w_->setGeometry(x, y, w, h);
}

void QtPlaceable::setVisible(bool on)
{
    w_->setVisible(on);
}

bool QtPlaceable::visible() const
{
    return !w_->isHidden();
}

void QtPlaceable::setTabStop(bool on)
{
    w_->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

void QtPlaceable::setTabIndex(int index)
{
    if (order_ != nullptr)
        order_->place(w_, index);
}

void QtPlaceable::setBorder(bool on)
{
    if (auto* f = qobject_cast<QFrame*>(w_)) {
        f->setFrameShape(on ? QFrame::Box : QFrame::NoFrame);
        f->setFrameShadow(QFrame::Sunken);
    }
}

// ---- list box --------------------------------------------------------------

void QtListBox::setLine(int index, const std::string& text)
{
    if (index < 0)
        return;
    while (w_->count() <= index)
        w_->addItem(QString());
    QListWidgetItem* item = w_->item(index);
    const QString t = ToQt(text);
    if (item->text() != t)
        item->setText(t);
}

void QtListBox::addLine(const std::string& text)
{
    w_->addItem(ToQt(text));
}

void QtListBox::clear()
{
    w_->clear();
}

int QtListBox::count() const
{
    return w_->count();
}

std::string QtListBox::line(int index) const
{
    const QListWidgetItem* item = w_->item(index);
    return item != nullptr ? FromQt(item->text()) : std::string();
}

int QtListBox::selected() const
{
    const QListWidgetItem* item = w_->currentItem();
    return item != nullptr && item->isSelected() ? w_->row(item) : -1;
}

void QtListBox::setSelected(int index)
{
    if (index < 0 || index >= w_->count()) {
        w_->clearSelection();
        w_->setCurrentRow(-1);
        return;
    }
    w_->setCurrentRow(index);
}

void QtListBox::setFocus()
{
    w_->setFocus(Qt::OtherFocusReason);
}

// ---- labels, frames, buttons, texts, menus ---------------------------------

void QtLabel::setCaption(const std::string& text)
{
    caption_ = text;
    w_->setText(ToQt(text));
    if (autoSize_)
        w_->resize(w_->sizeHint());
}

void QtLabel::setColour(SysColour colour)
{
    QPalette pal = w_->palette();
    const QColor c = SysColourValue(colour);
    if (pal.color(QPalette::WindowText) == c)
        return;
    pal.setColor(QPalette::WindowText, c);
    w_->setPalette(pal);
}

void QtWindowCaption::setCaption(const std::string& text)
{
    w_->setWindowTitle(ToQt(text));
}

std::string QtWindowCaption::caption() const
{
    return FromQt(w_->windowTitle());
}

void QtFrame::setVisible(bool on)
{
    if (w_->isHidden() == on)
        w_->setVisible(on);
}

bool QtFrame::visible() const
{
    return !w_->isHidden();
}

void QtButton::setCaption(const std::string& text)
{
    w_->setText(ToQt(text));
}

std::string QtButton::caption() const
{
    return FromQt(w_->text());
}

void QtButton::setEnabled(bool on)
{
    if (w_->isEnabled() != on)
        w_->setEnabled(on);
}

bool QtButton::enabled() const
{
    return w_->isEnabled();
}

void QtButton::setFocus()
{
    w_->setFocus(Qt::OtherFocusReason);
}

void QtButton::setDefault(bool on)
{
    default_ = on;
    if (w_->isDefault() != on)
        w_->setDefault(on);
}

void QtTextBox::setText(const std::string& text)
{
    const QString t = ToQt(text);
    if (w_->toPlainText() != t)
        w_->setPlainText(t);
}

std::string QtTextBox::text() const
{
    return FromQt(w_->toPlainText());
}

void QtMenuItem::setChecked(bool on)
{
    if (a_->isChecked() != on)
        a_->setChecked(on);
}

bool QtMenuItem::checked() const
{
    return a_->isChecked();
}

int QtMessageBox::show(const std::string& text, const std::string& title, MsgIcon icon, const std::string& detail)
{
    QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical : QMessageBox::Information, ToQt(title),
                    ToQt(text), QMessageBox::Ok, parent_);
    if (!detail.empty())
        box.setDetailedText(QString::fromStdString(detail));
    box.exec();
    return 1;   // OK, the only button
}

void QtBeeper::beep()
{
    QApplication::beep();
}

// ---- separator line --------------------------------------------------------

QtLine::QtLine(QWidget* w, const TwipScale& scale, SysColour colour) : w_(w), scale_(scale)
{
    w_->setAutoFillBackground(true);
    QPalette pal = w_->palette();
    pal.setColor(QPalette::Window, SysColourValue(colour));
    w_->setPalette(pal);
}

void QtLine::setEnds(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    const int left = scale_.toPxX(std::min(x1, x2));
    const int top = scale_.toPxY(std::min(y1, y2));
    const int right = scale_.toPxX(std::max(x1, x2));
    const int bottom = scale_.toPxY(std::max(y1, y2));
    w_->setGeometry(left, top, std::max(right - left, 1), std::max(bottom - top, 1));
}

// ---- window ----------------------------------------------------------------

int32_t QtFormGeometry::screenWidth() const
{
    const QScreen* s = screenOf(w_);
    return s != nullptr ? scale_.toTwipsX(s->geometry().width()) : 0;
}

int32_t QtFormGeometry::screenHeight() const
{
    const QScreen* s = screenOf(w_);
    return s != nullptr ? scale_.toTwipsY(s->geometry().height()) : 0;
}

int32_t QtFormGeometry::clientWidth() const
{
    return scale_.toTwipsX(w_->width());
}

int32_t QtFormGeometry::clientHeight() const
{
    // The central widget has its size only once the window is laid out;
    // before that the menu bar's height is taken off the window's.
    if (w_->isVisible() && w_->centralWidget() != nullptr)
        return scale_.toTwipsY(w_->centralWidget()->height());
    const QMenuBar* bar = w_->menuWidget() != nullptr ? w_->menuBar() : nullptr;
    const int menu = bar != nullptr ? bar->heightForWidth(w_->width()) : 0;
    return scale_.toTwipsY(w_->height() - std::max(menu, bar != nullptr ? bar->sizeHint().height() : 0));
}

TwipRect QtFormGeometry::windowBounds() const
{
    const QRect f = w_->frameGeometry();
    return {scale_.toTwipsX(f.x()), scale_.toTwipsY(f.y()), scale_.toTwipsX(f.width()), scale_.toTwipsY(f.height())};
}

void QtFormGeometry::setWindowBounds(const TwipRect& r)
{
    hasPending_ = !w_->isVisible();
    pending_ = r;
    apply(r);
}

void QtFormGeometry::windowShown()
{
    if (!hasPending_ || !w_->isVisible())
        return;
    hasPending_ = false;
    apply(pending_);
}

void QtFormGeometry::apply(const TwipRect& r)
{
    // The outer size includes the frame the window manager draws around the
    // window; the widget itself gets what remains.
    const QRect frame = w_->frameGeometry();
    const QRect inner = w_->geometry();
    const int dx = frame.width() - inner.width();
    const int dy = frame.height() - inner.height();
    w_->resize(std::max(scale_.toPxX(r.width) - dx, 1), std::max(scale_.toPxY(r.height) - dy, 1));
    w_->move(scale_.toPxX(r.left), scale_.toPxY(r.top));
}

int32_t QtFormGeometry::twipsPerPixelY() const
{
    return static_cast<int32_t>(std::floor(1440.0 / scale_.dpiY() + 0.5));
}

}  // namespace platform
