// Which top-level window a title names.
#pragma once

#include <QString>
#include <vector>

namespace veskaro::platform {

/// Picks the window that `wanted` names among `titles` (bottom of the stacking order
/// first), ignoring letter case: a title equal to `wanted`; else one that begins
/// with it; else one that ends with it ("Wordpad" finds "SETUP.INF - Wordpad").
/// Among several of the best kind the topmost, i.e. the last, wins. An empty
/// `wanted` names nothing.
/// @return the index into `titles`, or -1 when no title fits.
int ChooseWindowByTitle(const std::vector<QString>& titles, const QString& wanted);

}  // namespace veskaro::platform
