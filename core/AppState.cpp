#include "AppState.h"

namespace tavelin {

AppState& App() {
    static AppState state;
    return state;
}

}  // namespace tavelin
