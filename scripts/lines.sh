#!/usr/bin/env bash
# Lines of shipped code against lines of test code, so that the suite's size
# can be held to a fixed share of what it tests. Counts raw lines (wc -l) of
# the source files git knows of or would pick up (tracked, plus untracked and
# not ignored); data such as meshes, corpora and JSON is left out.
#   scripts/lines.sh            print the counts and the ratio
#   scripts/lines.sh --check [--limit R]
#                               the same, and exit 1 when the ratio is over the
#                               limit (default 0.35, the target)
set -euo pipefail
cd "$(dirname "$0")/.."
limit=0.35
check=0
while [ $# -gt 0 ]; do
  case "$1" in
    --check) check=1; shift ;;
    --limit) limit="$2"; shift 2 ;;
    *) echo "lines.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

count() {
  git ls-files --cached --others --exclude-standard -- "$@" |
    { grep -E '(\.(c|h|cpp|hpp|cc|py|pyi|js|mjs|ts|html|css|cmake)|(^|/)CMakeLists\.txt)$' || true; } |
    { grep -Ev '(^|/)(node_modules|corpus|seeds?)/' || true; } |
    while IFS= read -r f; do [ -f "$f" ] && cat -- "$f"; done | wc -l
}

src=$(count src)
include=$(count include)
cli=$(count cli)
python=$(count python ':!python/tests')
viewer=$(count viewer ':!viewer/tests' ':!viewer/node_modules')
tests=$(count tests)
fuzz=$(count fuzz ':!fuzz/corpus')
pytests=$(count python/tests)
vwtests=$(count viewer/tests)

shipped=$((src + include + cli + python + viewer))
test=$((tests + fuzz + pytests + vwtests))
ratio=$(awk -v t="$test" -v s="$shipped" 'BEGIN { printf "%.3f", s ? t / s : 0 }')

printf 'shipped %6d  (src %d, include %d, cli %d, python %d, viewer %d)\n' \
  "$shipped" "$src" "$include" "$cli" "$python" "$viewer"
printf 'tests   %6d  (tests %d, fuzz %d, python tests %d, viewer tests %d)\n' \
  "$test" "$tests" "$fuzz" "$pytests" "$vwtests"
printf 'ratio   %6s  (limit %s)\n' "$ratio" "$limit"

if [ "$check" = 1 ]; then
  if awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r > l) }'; then
    echo "the tests are over $limit of the code: cut or fold tests before adding more" >&2
    exit 1
  fi
fi
exit 0
