#!/usr/bin/env bash
# Every file a page of the documentation names is there: each `path` in
# backticks or link target with a slash whose first folder is one of the
# checkout's (from the root, from the page's own folder, or as an include
# path under some include/ folder), "name.h/.cpp" as both files, and each
# bare source file name somewhere in the checkout. Build output (build/...),
# Windows paths, placeholders and patterns are not files of the checkout.
#
#   docs_paths_test.sh SOURCE_DIR
set -u
cd "${1:?SOURCE_DIR}" || exit 2
files=$(git ls-files 2>/dev/null) || files=
[ -n "$files" ] || files=$(find . -path ./build -prune -o -type f -print | sed 's|^\./||')
tops=$(sed 's|/.*||' <<<"$files" | sort -u)
bases=$(sed 's|.*/||' <<<"$files" | sort -u)
names_file() {  # names_file PAGE_DIR PATH
  [ -e "$2" ] || [ -e "$1/$2" ] || grep -qF -- "/include/$2" <<<"$files"
}
missing=$(
  while IFS= read -r page; do
    dir=$(dirname "$page")
    { grep -oE '`[^`]+`' "$page" | tr -d '`'; grep -oE '\]\([^)#]+' "$page" | sed 's/^](//'; } |
      while IFS= read -r token; do
        case $token in *' '* | *://* | /* | '%'* | '$'* | *'<'* | *'\'* | *'{'* | build/* | *'*'* | -*) continue ;; esac
        if [[ $token =~ ^(.*)\.h/\.cpp$ ]]; then
          set -- "${BASH_REMATCH[1]}.h" "${BASH_REMATCH[1]}.cpp"
        else
          set -- "$token"
        fi
        for path in "$@"; do
          if [[ $path == */* ]]; then
            first=${path%%/*}
            if grep -qxF -- "$first" <<<"$tops" || [ -e "$dir/$first" ]; then
              names_file "$dir" "$path" || echo "$page: $path"
            fi
          elif [[ $path =~ ^[A-Za-z0-9_.-]+\.(cpp|h|c|sh|cmake|py|wxs|rc)$ ]]; then
            grep -qxF -- "$path" <<<"$bases" || echo "$page: $path"
          fi
        done
      done
  done < <(grep -E '\.md$' <<<"$files" | grep -v '^build/')
)
pages=$(grep -cE '\.md$' <<<"$files")
[ "$pages" -ge 10 ] || { echo "FAIL: only $pages pages found"; exit 1; }
if [ -n "$missing" ]; then
  echo "FAIL: pages name files that are not there:"
  echo "$missing"
  exit 1
fi
echo "docs paths: every file $pages pages name is there"
