#!/usr/bin/env bash
# The layering rules for what the build cannot see: a header included but not linked. Each
# layer may include, with quotes, only the folders listed for it; text/ includes only text/
# and the standard library. Prints every include that breaks a rule and fails if there is one.
set -euo pipefail
cd "$(dirname "$0")/../src"

# layer folder | the folders its quoted includes may name ("platform/" alone: the seam only)
rules=(
    "text|text/"
    "platform|platform/ text/"
    "document|document/ platform/ text/"
    "effects|effects/ platform/ text/"
    "grading|grading/ document/ effects/ platform/ text/ vantrel/"
    "module|module/ grading/ document/ effects/ platform/* text/ vantrel/"
    "studio|studio/ platform/ text/"
    "hosting|hosting/ studio/ platform/* text/"
)
# A backend of the seam may include the seam, the other backends and text/; the seam's own
# headers include only the seam.
status=0
report() { echo "layering: $1" >&2; status=1; }

for rule in "${rules[@]}"; do
    layer=${rule%%|*}
    allowed=${rule#*|}
    while IFS=: read -r file line include; do
        ok=0
        for prefix in $allowed; do
            case $prefix in
            platform/)  # the seam alone: headers directly in platform/
                [[ $include =~ ^platform/[^/]+$ ]] && ok=1 ;;
            platform/*)  # the seam and its backends
                [[ $include == platform/* ]] && ok=1 ;;
            *)
                [[ $include == "$prefix"* ]] && ok=1 ;;
            esac
        done
        # Within platform/ the backends may include one another (files in the build's own OS).
        if [ "$layer" = platform ] && [[ $file == platform/*/* ]] && [[ $include == platform/* ]]; then ok=1; fi
        [ $ok -eq 1 ] || report "src/$file:$line includes \"$include\", which $layer/ may not"
    done < <(grep -rnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$layer" 2>/dev/null |
             sed -E 's/^([^:]+):([0-9]+):.*"([^"]+)"$/\1:\2:\3/')
done

# text/ is computation only: of angle-bracket headers, the C++ standard library's alone.
standard='algorithm|any|array|atomic|bit|bitset|cassert|cctype|cerrno|cfloat|charconv|chrono|cinttypes|climits|clocale|cmath|compare|complex|concepts|condition_variable|cstdarg|cstddef|cstdint|cstdio|cstdlib|cstring|ctime|cwchar|cwctype|deque|exception|execution|expected|filesystem|format|forward_list|fstream|functional|future|initializer_list|iomanip|ios|iosfwd|iostream|istream|iterator|limits|list|locale|map|memory|memory_resource|mutex|new|numbers|numeric|optional|ostream|queue|random|ranges|ratio|regex|scoped_allocator|set|shared_mutex|source_location|span|sstream|stack|stdexcept|stop_token|streambuf|string|string_view|system_error|thread|tuple|type_traits|typeindex|typeinfo|unordered_map|unordered_set|utility|valarray|variant|vector|version'
while IFS=: read -r file line include; do
    [[ $include =~ ^($standard)$ ]] || report "src/$file:$line includes <$include>: text/ uses the standard library only"
done < <(grep -rnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<[^>]+>' text |
         sed -E 's/^([^:]+):([0-9]+):.*<([^>]+)>$/\1:\2:\3/')

[ $status -eq 0 ] && echo "layering: every include runs down"
exit $status
