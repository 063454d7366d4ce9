#include "layout/typed_page.h"
