// Sleeps until it is terminated (or for a minute at most), so that a test
// has a process of a known name to close. With "--unopenable" it first gives
// its own process an empty access list, so no other program can open it to
// terminate it: the case of a protected process of the same name.
#include <windows.h>

#include <aclapi.h>

#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--unopenable") == 0) {
        ACL empty;
        InitializeAcl(&empty, sizeof empty, ACL_REVISION);
        if (SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &empty, nullptr) != ERROR_SUCCESS)
            return 3;
    }
    Sleep(60000);
    return 0;
}
