/* Stands in for whoami.exe under Wine, whose whoami ignores /groups: prints
 * the mandatory label line "whoami /groups" prints on Windows, for the
 * integrity level SID in VANTREL2_TEST_INTEGRITY (medium when unset). */
#include <stdio.h>
#include <stdlib.h>

int main(void) {
    const char* sid = getenv("VANTREL2_TEST_INTEGRITY");
    printf("Mandatory Label\\Some Mandatory Level Label %s\r\n", sid ? sid : "S-1-16-8192");
    return 0;
}
