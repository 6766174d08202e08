#!/usr/bin/env bash
# The Windows build compiles: every .cpp that CMakeLists.txt builds on Windows (the _win files in
# place of the _linux and _posix ones, the program, the tests and the benchmarks) is checked with
# MinGW-w64's g++ in C++20, -fsyntax-only -Wall -Wextra, against the headers of Qt, libjpeg,
# GoogleTest, Little CMS, libpng, libwebp and libavif. Nothing is linked or run. Prints each error and fails; run from anywhere.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64-posix qt6-base-dev libjpeg62-turbo-dev libgtest-dev liblcms2-dev zlib1g-dev libpng-dev
          libwebp-dev libavif-dev python3)
bash scripts/install_missing.sh "${packages[@]}"
compiler=x86_64-w64-mingw32-g++-posix

# The sources come from CMakeLists.txt itself, read as CMake would on Windows: WIN32 is true, the
# branches of any other condition are all taken, and a foreach over names expands its file pattern.
files=$(python3 - <<'PY'
import re, sys
text = re.sub(r'#.*', '', open('CMakeLists.txt', encoding='utf-8').read())
stack = []  # one entry an open if(): is the branch being read taken on Windows
def taken():
    return all(stack)
def value(condition):
    condition = condition.strip()
    if condition == 'WIN32': return True
    if condition == 'NOT WIN32': return False
    return None
conditions = []
files = []
for m in re.finditer(r'(\w+)\s*\(([^()]*(?:\([^()]*\)[^()]*)*)\)', text):
    command, args = m.group(1).lower(), m.group(2)
    if command == 'if':
        conditions.append(value(args))
        stack.append(conditions[-1] is not False)
    elif command == 'else':
        stack[-1] = conditions[-1] is not True
    elif command == 'endif':
        stack.pop(); conditions.pop()
    elif not taken():
        continue
    elif command == 'foreach':
        variable, *names = args.split()
        rest = text[m.end():text.index('endforeach', m.end())]
        for pattern in re.findall(r'[\w/]*\$\{' + variable + r'\}[\w/]*\.cpp', rest):
            files += [pattern.replace('${' + variable + '}', n) for n in names]
    else:
        files += re.findall(r'(?<![\w/$}])[\w/]+\.cpp\b', args)
seen = []
for f in files:
    if f not in seen: seen.append(f)
print('\n'.join(seen))
PY
)
if [ -z "$files" ]; then
    echo "no sources found in CMakeLists.txt"
    exit 1
fi
for f in $files; do
    [ -f "$f" ] || { echo "$f: listed in CMakeLists.txt, not found"; exit 1; }
done

# The Linux multiarch folder holds the headers of every library, and of the C library too: only
# Qt's folder is taken whole; libjpeg's and the others' headers are linked into a folder of their own.
qt=/usr/include/x86_64-linux-gnu/qt6
headers=$(mktemp -d)
trap 'rm -rf "$headers"' EXIT
for h in /usr/include/{jpeglib.h,jmorecfg.h,jerror.h,lcms2.h,lcms2_plugin.h,zlib.h,zconf.h} \
         /usr/include/x86_64-linux-gnu/jconfig.h; do
    [ -f "$h" ] && ln -s "$h" "$headers/"
done
for d in gtest webp avif libpng16; do
    ln -s "/usr/include/$d" "$headers/$d"
done
for h in /usr/include/libpng16/*.h; do
    ln -s "$h" "$headers/"
done

flags=(-std=c++20 -fsyntax-only -Wall -Wextra -DUNICODE -D_UNICODE -DQT_CORE_LIB -DQT_GUI_LIB
       -DQT_WIDGETS_LIB -DQT_CONCURRENT_LIB -DQT_TESTLIB_LIB
       -DTESSALINE_SOURCE_DIR=\"src\" -DTESSALINE_HELP_DIR=\"help\"
       -I. -isystem "$qt" -isystem "$qt/QtCore" -isystem "$qt/QtGui" -isystem "$qt/QtWidgets" -isystem "$qt/QtConcurrent" -isystem "$qt/QtTest"
       -isystem "$headers")
count=$(wc -w <<<"$files")
start=$SECONDS
export compiler
if ! printf '%s\n' $files | xargs -P2 -I{} sh -c '"$compiler" "$@" {} || { echo "windows: {} fails"; exit 1; }' sh "${flags[@]}"; then
    echo "windows: the Windows build does not compile"
    exit 1
fi
echo "windows: $count files compile with MinGW-w64 in $((SECONDS - start)) s"
