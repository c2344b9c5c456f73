// Linked into ThreadSanitizer builds only.
//
// Boost.Regex hands the memory blocks of its matchers from thread to thread
// through a lock-free cache inside the uninstrumented libboost_regex.so.
// ThreadSanitizer cannot see that hand-over and reports the next matcher's
// writes into a reused block as races with the previous one. These two
// definitions take the place of the library's (the program's own come first)
// and make every block a fresh allocation, whose hand-over the sanitizer
// sees. Nothing else changes: the cache only saves allocations.
#include <boost/regex.hpp>
#include <new>

namespace boost {
namespace BOOST_REGEX_DETAIL_NS {

void* BOOST_REGEX_CALL get_mem_block() { return ::operator new(BOOST_REGEX_BLOCKSIZE); }

void BOOST_REGEX_CALL put_mem_block(void* block) { ::operator delete(block); }

}  // namespace BOOST_REGEX_DETAIL_NS
}  // namespace boost
