#include "core/search/SaveTarget.h"

SaveTarget &CurrentSaveTarget()
{
    static SaveTarget target;
    return target;
}
