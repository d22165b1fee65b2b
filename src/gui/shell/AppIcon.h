#pragma once

#include <QIcon>

// The program's icon, which every window of the program carries.
QIcon AppIcon();
