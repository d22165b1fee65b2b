#include "core/search/SaveFolderQuestion.h"

bool &SaveFolderQuestion::enabled()
{
    static bool ask = true;
    return ask;
}
