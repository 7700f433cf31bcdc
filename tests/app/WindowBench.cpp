#include "tests/app/WindowBench.h"

#include "model/clsIndOp_RigTavik.h"

LayoutWindow::LayoutWindow()
{
    controls.caption = &caption;
    RigLayout& g = controls.rig.layout;
    g.form = &form;
    for (int i = 0; i < 2; ++i) {
        g.linSepa[i] = &linSepa[i];
        g.lbo01[i] = &lbo01Place[i];
    }
    for (int i = 0; i < 3; ++i)
        g.cmd00[i] = &cmd00Place[i];
    for (int i = 0; i < 4; ++i)
        g.fra01[i] = &fra01Place[i];
    g.lboConsole = &lboConsolePlace;
    g.lblTitle = &lblTitlePlace;
    g.lblProgress = &lblProgressPlace;
    g.txtDispPara = &txtDispParaPlace;
    controls.lblComBusyPlace = &lblComBusyPlace;
    // Sizes of the window's design that the layout keeps.
    lblTitlePlace.rect = {0, 0, 2400, 450};
    lblProgressPlace.rect = {0, 0, 3600, 225};
    lbo01Place[0].rect = {0, 120, 2000, 2160};
    lbo01Place[1].rect = {0, 120, 2000, 2160};
}

WindowBench::WindowBench(const std::string& settingsFolder, bool start)
{
    AppPlatform p{&port, &timer, &clk};
    p.instanceLock = &lock;
    if (!settingsFolder.empty()) {
        p.profileFile = &profile;
        p.profileFolder = settingsFolder;
    }
    app = std::make_unique<DorvelApp>(p, win.controls);
    if (start)
        started = app->Main();
}

clsConsole& WindowBench::console()
{
    return app->model().myConsole;
}

void WindowBench::tick()
{
    trx.serve();
    clk.advance(50);
    timer.fire();
}

bool WindowBench::runUntil(const std::function<bool()>& pred, int limit)
{
    for (int i = 0; i < limit; ++i) {
        tick();
        if (pred())
            return true;
    }
    return false;
}

bool WindowBench::connect()
{
    main().cmd00_Click(0);
    return runUntil([this] { return app->model().RigTavikProp_EditEnabled(); });
}
