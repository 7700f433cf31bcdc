#include "app/qt/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include "app/KeyCodes.h"
#include "app/frmMain.h"

namespace {

// The window's fixed-pitch font: the console's columns rely on it. Where
// "Courier New" is not installed, its metric-compatible replacement.
QFont fixedFont(double points, bool bold = false)
{
    QFont f;
    f.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// A status line label: its texts name files, whose paths are UTF-8.
class StatusLabel : public platform::Label {
public:
    explicit StatusLabel(QLabel* w) : w_(w) {}
    void setCaption(const std::string& text) override
    {
        caption_ = text;
        w_->setText(QString::fromStdString(text));
    }
    std::string caption() const override { return caption_; }
    void setColour(platform::SysColour) override {}

private:
    QLabel* w_;
    std::string caption_;
};

int16_t keyCodeOf(const QKeyEvent& k)
{
    switch (k.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kKeyReturn;
    case Qt::Key_Escape:
        return kKeyEscape;
    case Qt::Key_PageUp:
        return kKeyPageUp;
    case Qt::Key_PageDown:
        return kKeyPageDown;
    case Qt::Key_Left:
        return kKeyLeft;
    case Qt::Key_Up:
        return kKeyUp;
    case Qt::Key_Right:
        return kKeyRight;
    case Qt::Key_Down:
        return kKeyDown;
    case Qt::Key_F5:
        return kKeyF5;
    case Qt::Key_Comma:
        // The numeric keypad's separator key arrives as a keypad comma.
        return (k.modifiers() & Qt::KeypadModifier) ? kKeySeparator : kKeyOther;
    default:
        return kKeyOther;
    }
}

int16_t shiftOf(const QKeyEvent& k)
{
    int16_t s = 0;
    if (k.modifiers() & Qt::ShiftModifier)
        s |= kShiftMask;
    if (k.modifiers() & Qt::ControlModifier)
        s |= kCtrlMask;
    if (k.modifiers() & Qt::AltModifier)
        s |= kAltMask;
    return s;
}

}  // namespace

MainWindow::MainWindow() : scale_(this)
{
    auto* client = new QWidget(this);
    client->setFont(fixedFont(9));
    setCentralWidget(client);
    buildMenus();
    buildControls();
    wireControls();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    QMenu* file = fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFileExit_ = file->addAction(QStringLiteral("E&xit"));

    QMenu* option = optionMenu_ = menuBar()->addMenu(QStringLiteral("&Option"));
    QMenu* port = portMenu_ = option->addMenu(QStringLiteral("&Port"));
    auto* portGroup = new QActionGroup(this);
    for (int i = 1; i <= 4; ++i) {
        mnuOptSelCom_[i] = port->addAction(QStringLiteral("COM &%1").arg(i));
        mnuOptSelCom_[i]->setCheckable(true);
        portGroup->addAction(mnuOptSelCom_[i]);
    }
    QMenu* release = option->addMenu(QStringLiteral("&Auto port release"));
    auto* releaseGroup = new QActionGroup(this);
    for (int i = 0; i <= 5; ++i) {
        mnuOptionSelAutoRelease_[i] =
            release->addAction(i == 0 ? QStringLiteral("&OFF") : QStringLiteral("&%1 sec").arg(i));
        mnuOptionSelAutoRelease_[i]->setCheckable(true);
        releaseGroup->addAction(mnuOptionSelAutoRelease_[i]);
    }
}

void MainWindow::buildControls()
{
    QWidget* client = centralWidget();
    auto placeable = [this](QWidget* w) {
        places_.push_back(std::make_unique<platform::QtPlaceable>(w, scale_, &tabOrder_));
        return places_.back().get();
    };
    auto frame = [](QWidget* parent) {
        auto* f = new QFrame(parent);
        f->setFrameShape(QFrame::Box);
        f->setFrameShadow(QFrame::Sunken);
        return f;
    };
    auto list = [](QWidget* parent, const QFont& font) {
        auto* l = new QListWidget(parent);
        l->setFont(font);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        l->setUniformItemSizes(true);
        return l;
    };
    auto text = [](QWidget* parent) {
        auto* t = new QPlainTextEdit(parent);
        t->setReadOnly(true);
        t->setLineWrapMode(QPlainTextEdit::NoWrap);
        return t;
    };

    // Frames 0, 1 and 3 share one rectangle; the model shows one of them.
    for (int i : {0, 1, 3}) {
        fra01_[i] = frame(client);
        fra01_[i]->hide();
    }
    fra01_[2] = frame(fra01_[1]);

    lblTitle_ = new QLabel(fra01_[0]);
    lblTitle_->setFont(fixedFont(9.75));
    lblTitle_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblProgress_ = new QLabel(fra01_[0]);
    lblProgress_->setFont(fixedFont(9, true));

    for (int i = 0; i < 2; ++i)
        lbo01_[i] = list(fra01_[2], fixedFont(8.25));
    lboConsole_ = list(fra01_[1], fixedFont(9));

    txtDispPara_ = text(fra01_[3]);
    txtAllData_ = text(fra01_[3]);
    txtAllData_->hide();

    const char* captions[3] = {"Connect", "Reload(F5)", "Disp para"};
    for (int i = 0; i < 3; ++i) {
        cmd00_[i] = new QPushButton(QString::fromLatin1(captions[i]), client);
        cmd00_[i]->setAutoDefault(false);
    }

    lblComBusy_ = new QLabel(client);
    lblComBusy_->setFont(fixedFont(9, true));

    for (int i = 0; i < 2; ++i) {
        linSepa_[i] = new QWidget(client);
        lines_[i] = std::make_unique<platform::QtLine>(
            linSepa_[i], scale_, i == 0 ? platform::SysColour::ButtonShadow : platform::SysColour::ButtonHighlight);
    }

    // Wrappers, and the controls as the logic sees them.
    consoleBox_ = std::make_unique<platform::QtListBox>(lboConsole_);
    for (int i = 0; i < 2; ++i)
        readoutBox_[i] = std::make_unique<platform::QtListBox>(lbo01_[i]);
    title_ = std::make_unique<platform::QtLabel>(lblTitle_, true);
    progress_ = std::make_unique<platform::QtLabel>(lblProgress_, true);
    comBusy_ = std::make_unique<platform::QtLabel>(lblComBusy_, true);
    caption_ = std::make_unique<platform::QtWindowCaption>(this);
    dispPara_ = std::make_unique<platform::QtTextBox>(txtDispPara_);
    allData_ = std::make_unique<platform::QtTextBox>(txtAllData_);
    for (int i = 0; i < 4; ++i)
        frames_[i] = std::make_unique<platform::QtFrame>(fra01_[i]);
    for (int i = 0; i < 3; ++i)
        buttons_[i] = std::make_unique<platform::QtButton>(cmd00_[i]);
    for (int i = 1; i <= 4; ++i)
        comItems_[i] = std::make_unique<platform::QtMenuItem>(mnuOptSelCom_[i]);
    for (int i = 0; i <= 5; ++i)
        releaseItems_[i] = std::make_unique<platform::QtMenuItem>(mnuOptionSelAutoRelease_[i]);
    msgBox_ = std::make_unique<platform::QtMessageBox>(this);
    // A standard status bar under the panels, beside the window's controls.
    statusPhase_ = new QLabel(this);
    statusNotice_ = new QLabel(this);
    statusNotice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(statusPhase_);
    statusBar()->addWidget(statusNotice_, 1);
    statusBar()->setSizeGripEnabled(false);
    phase_ = std::make_unique<StatusLabel>(statusPhase_);
    notice_ = std::make_unique<StatusLabel>(statusNotice_);
    beeper_ = std::make_unique<platform::QtBeeper>();
    form_ = std::make_unique<platform::QtFormGeometry>(this, scale_);

    RigWindow& rig = controls_.rig;
    rig.lboConsole = consoleBox_.get();
    for (int i = 0; i < 2; ++i)
        rig.lbo01[i] = readoutBox_[i].get();
    rig.lblProgress = progress_.get();
    rig.txtDispPara = dispPara_.get();
    for (int i = 0; i < 4; ++i)
        rig.fra01[i] = frames_[i].get();
    for (int i = 0; i < 3; ++i)
        rig.cmd00[i] = buttons_[i].get();
    rig.beeper = beeper_.get();

    RigLayout& g = rig.layout;
    g.form = form_.get();
    for (int i = 0; i < 2; ++i)
        g.linSepa[i] = lines_[i].get();
    for (int i = 0; i < 3; ++i)
        g.cmd00[i] = placeable(cmd00_[i]);
    for (int i = 0; i < 4; ++i)
        g.fra01[i] = placeable(fra01_[i]);
    for (int i = 0; i < 2; ++i)
        g.lbo01[i] = placeable(lbo01_[i]);
    g.lboConsole = placeable(lboConsole_);
    g.lblTitle = placeable(lblTitle_);
    g.lblProgress = placeable(lblProgress_);
    g.txtDispPara = placeable(txtDispPara_);

    controls_.caption = caption_.get();
    controls_.lblTitle = title_.get();
    controls_.lblComBusy = comBusy_.get();
    controls_.lblComBusyPlace = placeable(lblComBusy_);
    controls_.txtAllData = allData_.get();
    for (int i = 1; i <= 4; ++i)
        controls_.mnuOptSelCom[i] = comItems_[i].get();
    for (int i = 0; i <= 5; ++i)
        controls_.mnuOptionSelAutoRelease[i] = releaseItems_[i].get();
    controls_.msgBox = msgBox_.get();
    controls_.statusPhase = phase_.get();
    controls_.statusNotice = notice_.get();

    // Places of the window's design that the layout keeps: the readout
    // lists' top and height inside their strip, the spare text box.
    for (int i = 0; i < 2; ++i)
        g.lbo01[i]->setBounds({120, 120, 2000, 2160});
    platform::QtPlaceable(txtAllData_, scale_).setBounds({120, 240, 1200, 300});
    controls_.lblComBusyPlace->setBounds({120, 120, 0, 0});
    // The tab order of the design: console, readouts, parameter text; the
    // layout moves the buttons and the parameter text to its end.
    tabOrder_.place(lboConsole_, 0);
    tabOrder_.place(lbo01_[0], 1);
    tabOrder_.place(lbo01_[1], 2);
}

void MainWindow::wireControls()
{
    for (int i = 0; i < 3; ++i)
        connect(cmd00_[i], &QPushButton::clicked, this, [this, i] {
            if (logic_ != nullptr)
                logic_->cmd00_Click(static_cast<int16_t>(i));
        });
    for (int i = 1; i <= 4; ++i)
        connect(mnuOptSelCom_[i], &QAction::triggered, this, [this, i] {
            if (logic_ != nullptr)
                logic_->mnuOptSelCom_Click(static_cast<int16_t>(i));
        });
    for (int i = 0; i <= 5; ++i)
        connect(mnuOptionSelAutoRelease_[i], &QAction::triggered, this, [this, i] {
            if (logic_ != nullptr)
                logic_->mnuOptionSelAutoRelease_Click(static_cast<int16_t>(i));
        });
    connect(mnuFileExit_, &QAction::triggered, this, &QWidget::close);

    // The window sees every key of its controls before they do.
    lboConsole_->installEventFilter(this);
    for (QWidget* w : std::initializer_list<QWidget*>{cmd00_[0], cmd00_[1], cmd00_[2], lbo01_[0], lbo01_[1],
                                                      txtDispPara_, txtAllData_, this})
        w->installEventFilter(this);
}

int MainWindow::commandIndex(QObject* watched) const
{
    for (int i = 0; i < 3; ++i)
        if (watched == cmd00_[i])
            return i;
    return -1;
}

bool MainWindow::keyPressed(QObject* watched, const QKeyEvent& key)
{
    const int16_t code = keyCodeOf(key);
    const int16_t shift = shiftOf(key);
    if (logic_->Form_KeyDown(code, shift))
        return true;
    if (watched == lboConsole_ && logic_->lboConsole_KeyDown(code, shift))
        return true;

    const int cmd = commandIndex(watched);
    if (cmd >= 0)
        for (QChar c : key.text())
            if (c.unicode() < 0x100)
                logic_->cmd00_KeyPress(static_cast<int16_t>(c.unicode()));

    // Enter presses the button with the focus, else the default button;
    // Escape presses the cancel button.
    if (code == kKeyReturn) {
        if (cmd >= 0) {
            cmd00_[cmd]->click();
            return true;
        }
        for (const auto& b : buttons_)
            if (b->isDefault() && b->enabled()) {
                b->widget()->click();
                return true;
            }
    }
    if (code == kKeyEscape)
        for (const auto& b : buttons_)
            if (b->isCancel() && b->enabled()) {
                b->widget()->click();
                return true;
            }
    return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (logic_ != nullptr) {
        if (event->type() == QEvent::KeyPress)
            return keyPressed(watched, *static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::FocusIn && watched == lboConsole_)
            logic_->lboConsole_GotFocus();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (logic_ != nullptr)
        logic_->Form_Resize();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Once the window system has framed the window, its outer size can be
    // made what the layout asked for.
    QTimer::singleShot(0, this, [this] { form_->windowShown(); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (onClose_)
        onClose_();
    event->accept();
}
