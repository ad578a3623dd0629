#include "updater/app/DiskFullBox.h"

#include <QMessageBox>

namespace ovix::updater {

void ShowDiskFullBox(QWidget* owner, const MessageText& message) {
    auto text = [](std::string_view utf8) {
        return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    };
    QMessageBox box(QMessageBox::NoIcon, text(message.caption), text(message.text), QMessageBox::Ok,
                    owner);
    box.exec();
}

}  // namespace ovix::updater
