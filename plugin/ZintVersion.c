/* Prints the version of the libzint found at build time (for example 21101),
 * which the plugin compares with the library it meets at run time. */
#include <stdio.h>
#include <zint.h>

int main(void)
{
    printf("%d", ZBarcode_Version());
    return 0;
}
