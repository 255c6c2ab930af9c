// The engine is built without exceptions. The C++ library's own failure paths (out of memory,
// a length beyond a container's maximum) would otherwise drag the exception unwinder and the
// name demangler into the executable; here each of them ends the process at once instead.
#include <cstdlib>
#include <new>
#include <string>

// The library's own std::string members are built with exceptions, and linking them drags in the
// unwinder and the exception runtime (some 60 KB with their tables). Instantiated here, without
// exceptions, they replace the library's; the linker keeps only the members the engine calls.
template class std::basic_string<char>;

namespace std {
[[noreturn]] void __throw_bad_alloc() { abort(); }
[[noreturn]] void __throw_bad_array_new_length() { abort(); }
[[noreturn]] void __throw_length_error(const char*) { abort(); }
[[noreturn]] void __throw_logic_error(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { abort(); }
}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { abort(); }
}  // namespace __gnu_cxx

extern "C" void __cxa_pure_virtual() { abort(); }

void* operator new(std::size_t size) {
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  std::abort();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
