#pragma once

namespace kalore::posix {

// The guard stands between this program and each child it starts, so that the
// child and everything the child starts end with the program, however the
// program ends: closed, crashed or killed with SIGKILL. A parent-death signal
// reaches only the direct child, and a process group misses whatever leaves it;
// the guard is the sub-reaper of all the child's descendants, so it finds them
// all, orphans included.
//
// The guard is this very executable started again with the marker as its first
// argument, and taken aside before main. It is exec'd rather than only forked, so
// that it keeps no copy of the program's memory for the length of a recording.
//
//   argv  [name, kChildGuardMarker, program path, the program's arguments...]
//   0-2   the child's stdin, stdout and stderr, which the guard then closes
//   3     the read end of a pipe whose write end only the program holds: its
//         end (ChildProcess::Close, or the program's death) ends the child
//   4     where the guard writes one GuardReport, once the child has run or failed
//
// Once told, it kills the child's group and every descendant left, reaps them
// all and exits. It ignores the signals a terminal or the session's end send, so
// that it outlives the program long enough to do that.
extern const char kChildGuardMarker[];
inline constexpr int kGuardAliveFd = 3;
inline constexpr int kGuardReportFd = 4;

struct GuardReport {
    int pid = -1;
    // The errno of the child's fork or exec; 0 once the program runs.
    int error = 0;
};

} // namespace kalore::posix
