#include "Clipboard.h"
