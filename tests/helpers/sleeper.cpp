// Sleeps until it is terminated (or for a minute at most), so that a test
// has a process of a known name to close.
#include <windows.h>

int main() {
    Sleep(60000);
    return 0;
}
