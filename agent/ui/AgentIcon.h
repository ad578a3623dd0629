// The program icon, drawn at run time in the suite's colours (no artwork files needed).
#pragma once

#include <QIcon>

namespace ovix::agent {

QIcon AgentIcon();

}  // namespace ovix::agent
