#pragma once

#include "updater/update/DiskFullMessage.h"

class QWidget;

namespace ovix::updater {

// Shows the disk-space message as a box with an OK button and no icon, owned by `owner`, and
// returns when the user has closed it.
void ShowDiskFullBox(QWidget* owner, const MessageText& message);

}  // namespace ovix::updater
