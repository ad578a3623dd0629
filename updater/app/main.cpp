#include "updater/app/UpdaterApp.h"

int main(int argc, char** argv) {
    ovix::updater::CUpdaterApp app(argc, argv);
    return app.Run();
}
