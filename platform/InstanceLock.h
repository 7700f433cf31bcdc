#pragma once
// Detection of another running copy of the program.
namespace platform {

class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    // True when no other copy holds the lock; this copy then holds it until
    // it ends. A lock left behind by a copy that no longer runs is taken over.
    virtual bool tryLock() = 0;
};

}  // namespace platform
