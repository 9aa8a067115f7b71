/* Stands in for the system's shutdown.exe in test prefixes: appends the program's own path and the command
   line it was given to C:\shutdown-record.txt instead of restarting anything. */
#include "platform/win32/win32_api.h"
#include <stdio.h>

int main(void) {
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(NULL, exe, MAX_PATH);
    FILE* out = fopen("C:\\shutdown-record.txt", "ab");
    if (!out) return 1;
    fprintf(out, "exe=[%s] cmd=[%s]\r\n", exe, GetCommandLineA());
    fclose(out);
    return 0;
}
