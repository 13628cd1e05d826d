#include "app/settings.h"

#include "foundation/heap_string.h"

Settings::~Settings() { StrFree(template_text); }

Settings& settings()
{
    static Settings record;
    return record;
}
