// Runs part of a test as an ordinary user: file permissions do not stop the superuser, so a test
// of what an unwritable file does would prove nothing when the suite runs as root.
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "support/ChildWait.h"

namespace unprivileged {

// The user the body runs as under root: "nobody", or its usual number when the name is unknown.
inline uid_t nobodyUser() {
    const passwd* entry = getpwnam("nobody");
    return entry != nullptr ? entry->pw_uid : 65534;
}
inline gid_t nobodyGroup() {
    const passwd* entry = getpwnam("nobody");
    return entry != nullptr ? entry->pw_gid : 65534;
}

// Hands the folder to the user the body will run as, so that the body may create files in it.
inline void lendFolder(const std::string& folder) {
    if (geteuid() != 0) return;
    ASSERT_EQ(chown(folder.c_str(), nobodyUser(), nobodyGroup()), 0) << folder;
}

// Runs body as it is for an ordinary user. Under root, body runs in a forked child that has
// given up every privilege (no supplementary groups, the group and user of nobody, neither of
// which it can take back); the child's failed expectations are printed by the child and fail the
// test through its exit status.
inline void run(const std::function<void()>& body) {
    if (geteuid() != 0) {
        body();
        return;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(nobodyGroup()) != 0 || setuid(nobodyUser()) != 0 ||
            setuid(0) == 0) {
            std::fprintf(stderr, "could not give up root\n");
            std::fflush(nullptr);
            _exit(3);
        }
        body();
        const bool failed = ::testing::Test::HasFailure();
        std::fflush(nullptr);
        // No exit handlers: the child's copy of the test program must not tear anything down.
        _exit(failed ? 1 : 0);
    }
    int status = 0;
    ASSERT_TRUE(child_wait::waitWithin(child, status)) << "the unprivileged part did not end";
    ASSERT_TRUE(WIFEXITED(status)) << "the unprivileged part was ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the unprivileged part failed (its report is above)";
}

}  // namespace unprivileged
