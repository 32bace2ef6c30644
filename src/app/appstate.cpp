#include "app/appstate.h"

namespace korvo {

AppState &app()
{
    static AppState state;
    return state;
}

void AppState::resetSlots()
{
    Preferences::resetSlots();
    activeDoc = 0;
    activeComm = 0;
}

} // namespace korvo
