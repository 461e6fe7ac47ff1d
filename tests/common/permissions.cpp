#include "permissions.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned int permissionOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

// No libcap on the build machines: the two system calls it wraps, for this thread.
bool capabilities(__user_cap_data_struct data[2], bool set)
{
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

} // namespace

PermissionsApply::PermissionsApply()
{
    if (::geteuid() != 0) {
        active = true;
        return;
    }
    __user_cap_data_struct data[2] {};
    if (!capabilities(data, false))
        return;
    savedEffective[0] = data[0].effective;
    savedEffective[1] = data[1].effective;
    data[0].effective &= ~permissionOverrides;
    dropped = capabilities(data, true);
    active = dropped;
}

PermissionsApply::~PermissionsApply()
{
    if (!dropped)
        return;
    __user_cap_data_struct data[2] {};
    if (capabilities(data, false)) {
        data[0].effective = savedEffective[0];
        data[1].effective = savedEffective[1];
        capabilities(data, true);
    }
}
