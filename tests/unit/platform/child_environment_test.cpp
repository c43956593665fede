#include "platform/child_environment.h"

#include <stdlib.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/child_process.h"

namespace kalore {
namespace {

std::string OutputOf(const std::vector<std::string>& argv,
                     const std::vector<std::string>& environmentChanges) {
    auto started = ChildProcess::Start(argv, environmentChanges);
    EXPECT_TRUE(started.child);
    if (!started.child) {
        return {};
    }
    auto pipe = started.child->TakeOutput();
    std::string text;
    char buffer[64];
    for (long n; (n = pipe->Read(buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    started.child->Close();
    return text;
}

TEST(ChildEnvironment, SetsReplacesAndRemovesOnlyTheNamedVariables) {
    setenv("KALORE_KEPT", "kept", 1);
    setenv("KALORE_REPLACED", "old", 1);
    setenv("KALORE_REMOVED", "gone", 1);
    setenv("KALORE_REMOVED_TOO", "stays", 1);
    const std::vector<std::string> environment =
        ChildEnvironment({"KALORE_REPLACED=new=value", "KALORE_REMOVED", "KALORE_ADDED="});
    auto has = [&](const std::string& entry) {
        return std::count(environment.begin(), environment.end(), entry);
    };
    EXPECT_EQ(has("KALORE_KEPT=kept"), 1);
    EXPECT_EQ(has("KALORE_REPLACED=new=value"), 1);
    EXPECT_EQ(has("KALORE_REPLACED=old"), 0);
    EXPECT_EQ(has("KALORE_REMOVED=gone"), 0);
    EXPECT_EQ(has("KALORE_REMOVED_TOO=stays"), 1) << "a name is matched whole, not as a prefix";
    EXPECT_EQ(has("KALORE_ADDED="), 1);

    // The child runs with exactly that environment.
    EXPECT_EQ(OutputOf({"/bin/sh", "-c",
                        "echo \"$KALORE_KEPT|$KALORE_REPLACED|${KALORE_REMOVED-unset}\""},
                       {"KALORE_REPLACED=new", "KALORE_REMOVED"}),
              "kept|new|unset\n");
    EXPECT_EQ(OutputOf({"/bin/sh", "-c", "echo \"$KALORE_REMOVED\""}, {}), "gone\n")
        << "without changes the child inherits everything";
}

} // namespace
} // namespace kalore
