/* A shared library that is not the stacked-symbol plugin: it loads, but it
 * has no ZintDll export. */
int ZintDllMissing(void)
{
    return 0;
}
