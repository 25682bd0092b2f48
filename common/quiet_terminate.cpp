// Linked into each program in place of the runtime's verbose terminate
// handler, which writes the exception's demangled type to stderr. A program
// without a console has nowhere to write it, and the demangler it pulls in
// would be a fifth of the program's size.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

} // namespace __gnu_cxx
