#pragma once

#include <QIcon>

#include <vector>

// The main window's image list: 16 images of 16 by 16 pixels, drawn here so that no
// binary artwork has to ship. Index meanings follow the tool buttons that use them.
std::vector<QIcon> MakeImageList1();
