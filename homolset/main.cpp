// homolset: writes the modem's per-country parameters from a homologation file into the
// registry. It has no window and reports only through its exit status.
#include "homolset/applier.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    // The whole argument text is the file name, quotes and trailing blanks included.
    const char* name = command_line[0] != '\0' ? command_line : kDefaultHomologationFile;
    FILE* file = fopen(name, "rb");
    if (file == nullptr)
        return 1;
    ApplyHomologationFile(file);
    fclose(file);
    return 0;
}
