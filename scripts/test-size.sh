#!/bin/sh
# Non-blank lines of the code under tests/ (fixtures and fuzz corpora aside)
# against those under src/; fails when the tests exceed 40 % of the sources.
set -eu
cd "$(dirname "$0")/.."
count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.py' \
    -o -name 'CMakeLists.txt' -o -name '*.cmake' \) \
    -not -path 'tests/fixtures/*' -not -path 'tests/fuzz/corpus/*' -print0 |
    xargs -0 cat | grep -cv '^[[:space:]]*$'
}
tests=$(count tests)
src=$(count src)
percent=$((tests * 100 / src))
echo "Test size: $tests non-blank lines under tests/, $src under src/: $percent %"
[ "$percent" -le 40 ]
