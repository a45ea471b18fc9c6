// A program outside the project that uses the installed library through its umbrella header.
#include <QxDurerive.h>

#include <cstdio>
#include <cstring>

int main() {
    const char* version = QxDureriveVersion();
    std::printf("%s\n", version);
    return std::strlen(version) > 0 ? 0 : 1;
}
