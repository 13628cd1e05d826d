#include "app/settings.h"

Settings& settings()
{
    static Settings record;
    return record;
}
