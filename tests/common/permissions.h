#ifndef PERMISSIONS_H
#define PERMISSIONS_H

// Lets root be refused by file permissions as any other user is, for as long as it lives: drops
// the capabilities that override them (reading, writing and searching anything, acting as the
// owner of any file) from the calling thread's effective set, and puts them back when destroyed.
// Does nothing for other users. Tests of refused reads and writes then run under CI, as root.
class PermissionsApply
{
public:
    PermissionsApply();
    ~PermissionsApply();
    PermissionsApply(const PermissionsApply &) = delete;
    PermissionsApply &operator=(const PermissionsApply &) = delete;

    // Whether permissions now apply: an ordinary user, or root with the overrides dropped.
    bool isActive() const { return active; }

private:
    bool active = false;
    bool dropped = false;
    unsigned int savedEffective[2] = {0, 0};
};

#endif // PERMISSIONS_H
