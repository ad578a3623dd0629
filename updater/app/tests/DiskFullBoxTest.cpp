#include "updater/app/DiskFullBox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <memory>

#include "updater/update/DiskFullMessage.h"

// Font configuration keeps its caches until the process ends; that is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace ovix::updater {
namespace {

// One application object for the whole binary, on the offscreen platform.
QApplication& Application() {
    static int argc = 1;
    static char name[] = "ovix_updater_app_tests";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

struct SeenBox {
    QString title;
    QString text;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::Warning;
    bool ownedByWindow = false;
};

// Shows the box for `codePage` and closes it through its OK button once it is up, after
// saving a screenshot of it.
SeenBox ShowAndClose(unsigned codePage, const char* screenshot) {
    Application();
    QDialog window;  // the hidden updater window
    SeenBox seen;
    QTimer poll;
    int ticks = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            if (++ticks > 500) {  // 10 s: give up rather than hang
                QApplication::closeAllWindows();
            }
            return;
        }
        seen = {box->windowTitle(), box->text(), static_cast<int>(box->buttons().size()),
                box->icon(), box->parentWidget() == &window};
        box->grab().save(QString(OVIX_SCREENSHOT_DIR "/") + screenshot);
        box->button(QMessageBox::Ok)->click();
    });
    poll.start(20);
    ShowDiskFullBox(&window, DiskFullMessageFor(codePage));
    return seen;
}

TEST(DiskFullBox, ShowsTheTextOfTheCodePageWithOkOnly) {
    struct Case {
        unsigned codePage;
        const char* text;
        const char* screenshot;
    } cases[] = {
        {936, "磁盘空间不足", "diskfull-936.png"},
        {950, "磁碟空間不足", "diskfull-950.png"},
        {437, "There is no enough space on the disk to use.", "diskfull-437.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        const SeenBox seen = ShowAndClose(c.codePage, c.screenshot);
        EXPECT_EQ(seen.title, QStringLiteral("Ovix auto update"));
        EXPECT_EQ(seen.text, QString::fromUtf8(c.text));
        EXPECT_EQ(seen.buttons, 1);
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_TRUE(seen.ownedByWindow);
    }
}

}  // namespace
}  // namespace ovix::updater
