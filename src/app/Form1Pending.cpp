// Operations whose subsystems have not landed yet: they do nothing.
#include "app/Form1.h"

namespace velmor {


}  // namespace velmor
