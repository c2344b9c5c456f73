// Linked into ThreadSanitizer builds only. Boost.Regex hands its matchers'
// memory blocks from thread to thread through a lock-free cache inside the
// uninstrumented libboost_regex.so, which the sanitizer cannot see and so
// reports as races. These definitions take the place of the library's and
// make every block a fresh allocation; the cache only saved allocations.
#include <boost/regex.hpp>
#include <new>

namespace boost {
namespace BOOST_REGEX_DETAIL_NS {
void* BOOST_REGEX_CALL get_mem_block() { return ::operator new(BOOST_REGEX_BLOCKSIZE); }
void BOOST_REGEX_CALL put_mem_block(void* block) { ::operator delete(block); }
}  // namespace BOOST_REGEX_DETAIL_NS
}  // namespace boost
