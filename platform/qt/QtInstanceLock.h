#pragma once
// The single-instance test on a lock file (QLockFile). The file names the
// process holding it; a file left behind by a process that no longer runs is
// stale and taken over.
#include <QLockFile>
#include <string>

#include "platform/InstanceLock.h"

namespace platform {

class QtInstanceLock : public InstanceLock {
public:
    explicit QtInstanceLock(const std::string& path);
    bool tryLock() override;

    // "dorvel-adj.lock" in the user's runtime folder ($XDG_RUNTIME_DIR).
    static std::string DefaultPath();

private:
    QLockFile lock_;
};

}  // namespace platform
