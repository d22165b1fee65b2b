#pragma once

#include <QString>

// The program's executable file name without its extension; the maker's server keeps each program's files in a
// folder of that name.
QString ExecutableName();
// The product page on the maker's update server (no trailing "/").
QString ProductPageAddress();
// The update reply's address: the product page followed by "/newver.txt".
QString UpdateAddress();
// False when this build names no update server (the deployment's reserved ".invalid" placeholder host): there is
// nobody to ask, and a check could only report a network failure the user cannot fix.
bool UpdateServerDeployed();
