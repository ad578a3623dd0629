#include "agent/app/AgentProgram.h"

#include <unistd.h>

#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <cstdio>
#include <string>
#include <vector>

#include "agent/app/AgentApplication.h"
#include "agent/app/AgentCommandLine.h"
#include "agent/app/AgentRegistration.h"
#include "agent/app/AgentStartupText.h"
#include "agent/ui/AgentSettings.h"
#include "platform/automation/AutomationRegistry.h"
#include "platform/automation/AutomationServerStart.h"

namespace ovix::agent {

namespace {

// The CJK font the suite installs; the dialog template's 9-point size.
constexpr const char* kDialogFont = "WenQuanYi Micro Hei";
constexpr int kDialogFontPoints = 9;

// Message box where someone can dismiss it, standard error otherwise.
int FailStartup(int argc, char** argv, const char* text) {
    std::fprintf(stderr, "OvixAgent: %s\n", text);
    if (HasInteractiveDisplay()) {
        QApplication app(argc, argv);
        QMessageBox::critical(nullptr, QStringLiteral("OvixAgent"), QString::fromUtf8(text));
    }
    return 1;
}

}  // namespace

int RunAgentProgram(int argc, char** argv, const AgentRelayFactory& makeRelay) {
    const AgentCommandLine commandLine =
        ParseAgentCommandLine(std::vector<std::string>(argv + 1, argv + argc));

    int channelFd = -1;
    if (commandLine.automation) {
        // The automation runtime of this program is the channel its client handed over.
        channelFd = platform::TakeAutomationChannelFd();
        if (channelFd < 0) {
            return FailStartup(argc, argv, kAutomationInitFailedText);
        }
    } else if (!RegisterAgentServer(platform::AutomationRegistryPath(), AgentProgramPath())) {
        std::fprintf(stderr, "OvixAgent: cannot write the registration to %s\n",
                     platform::AutomationRegistryPath().c_str());
        if (commandLine.RegisterOnly()) {
            return 1;
        }
    }
    if (commandLine.RegisterOnly()) {
        if (channelFd >= 0) {
            close(channelFd);
        }
        return 0;
    }
    if (!HasDisplay()) {
        if (channelFd >= 0) {
            close(channelFd);
        }
        std::fprintf(stderr, "OvixAgent: no display (set DISPLAY, or QT_QPA_PLATFORM=offscreen)\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // the lifetime rules decide
    QApplication::setFont(QFont(QString::fromUtf8(kDialogFont), kDialogFontPoints));
    auto window = std::make_unique<COvixAgentDlg>(makeRelay(), AgentSettingsPath());
    CAgentApplication agent(std::move(window), commandLine.automation, channelFd);
    agent.Start();
    return QApplication::exec();
}

}  // namespace ovix::agent
