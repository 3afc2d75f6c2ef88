#pragma once
// A list of small pictures of one size that columns and titles draw by index (owned by the caller; the grid
// only refers to it).
#include <QImage>
#include <vector>

using TImageListEx = std::vector<QImage>;
