#pragma once

// A terminal window on a fake serial link and the fake clock, built with what its owner hands it: the
// fixture of the terminal-window and function-key tests.

#include "fakeclock.h"
#include "fakelinks.h"
#include "scriptedprompt.h"

#include "functionkeys/capturefile.h"
#include "terminal/commwindow.h"
#include "ui/filedialogs.h"

#include <memory>

namespace korvo {

struct FakeTerminal
{
    CommWindowSettings settings; // the window's slot
    ScriptedPrompt prompt;
    CaptureFile capture;
    std::unique_ptr<FakeClock> clock;
    std::unique_ptr<FakeLinkFactory> factory;
    std::unique_ptr<CommWindow> window;

    // Builds and shows the window of slot 1 from settings, on a new clock and link.
    void open(CommandHost &host)
    {
        clock = std::make_unique<FakeClock>();
        factory = std::make_unique<FakeLinkFactory>(*clock);
        window = std::make_unique<CommWindow>(1, settings, *clock, *factory, capture, realFileDialogs(),
                                              prompt, host, QString());
        window->show();
    }
    void close()
    {
        window.reset();
        factory.reset();
        clock.reset();
        capture.stop();
        prompt.clear();
    }
    FakeSerialLink &port() { return *factory->serial; }
};

} // namespace korvo
