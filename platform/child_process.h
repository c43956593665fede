#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kalore {

// The read end of a child's output pipe. One thread reads; another may
// interrupt it. The write end lives only in the child, so the pipe reports its
// end as soon as the child (and whatever inherited its output) has gone.
class OutputPipe {
public:
    virtual ~OutputPipe() = default;
    // Waits for output. Returns the count of bytes read; 0 at the end of the
    // output or after Interrupt; -1 when the read fails.
    virtual long Read(char* buffer, std::size_t size) = 0;
    // Makes a pending or later Read return 0 at once. Safe from any thread.
    virtual void Interrupt() = 0;
};

// A program this process started, with stdin on the null device and stdout and
// stderr on one pipe, in a process group of its own. It and everything it starts
// end when it is closed, and when this process ends, even killed. It is
// registered as our own child until it is closed, so that only our own children
// are ended by name.
class ChildProcess {
public:
    enum class StartError { None, Pipe, Spawn };
    enum class WaitResult { Exited, TimedOut, Failed };
    struct StartResult {
        std::unique_ptr<ChildProcess> child;
        StartError error = StartError::None;
    };

    // argv[0] is the program's path; the PATH is not searched. The child
    // inherits this process's environment with environmentChanges applied (see
    // ChildEnvironment).
    static StartResult Start(const std::vector<std::string>& argv,
                             const std::vector<std::string>& environmentChanges = {});

    virtual ~ChildProcess() = default;
    virtual int Pid() const = 0;
    // The output pipe; the first call hands it over, later calls give null.
    virtual std::unique_ptr<OutputPipe> TakeOutput() = 0;
    virtual WaitResult WaitFor(int milliseconds) = 0;
    // Asks the child to end, forces it after the grace; true once it has gone.
    virtual bool Terminate(int graceMilliseconds = 1000) = 0;
    // Ends the child if it still runs and what is left of its group, reaps it and
    // forgets it; false on failure.
    virtual bool Close() = 0;
};

} // namespace kalore
