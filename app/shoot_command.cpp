#include "app/main_window.h"

namespace vistrel {

void TForm1::wireCaptureCommands() {}

} // namespace vistrel
