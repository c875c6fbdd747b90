#pragma once
// Inside KXProcess: the watch on the desktop that announces launches, terminations and
// front switches, and the process cache's upkeep on terminations.

namespace kxprocess_detail {

// Drops cached processes that no longer run.
void pruneCache();
// The number of launch and termination events seen.
int launchEndCount();

} // namespace kxprocess_detail
