// The launcher program: the whole run is the start-up in CLauncherApp::InitInstance.
#include "launcher/core/LauncherApp.h"
#include "platform/sys/ProgramFolder.h"
#include "platform/sys/ProgramStart.h"

int main() {
    ovix::launcher::CLauncherApp app(ovix::platform::ProgramFolder(),
                                     &ovix::platform::StartProgram);
    app.InitInstance();
    return app.ExitCode();
}
