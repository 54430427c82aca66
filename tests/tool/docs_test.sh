#!/usr/bin/env bash
# Every example of the README and of docs/ is what the tool prints. A fenced block with
# no language is tool output: a transcript ("$ COMMAND" lines, each followed by what it
# prints; a line "..." stands for any lines; a command with a "  # comment" is run, its
# output not shown), or the output of the command that a "<!-- output of: COMMAND -->"
# line before it names. Blocks that are no tool output carry a language (sh, text, ...).
# Each document runs in a scratch folder of its own: /tmp/ in its commands is that
# folder, examples/ the source tree's.
#   docs_test.sh TOOL SOURCE-DIR IMAGE-WRITER
set -uo pipefail
tool=$(realpath "$1") source=$(realpath "$2") image_writer=$(realpath "$3")
work=$(mktemp -d /tmp/zentho-docs-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0 passes=0 blocks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run COMMAND-LINE: the command of a document, run as the document means it (its words
# as the shell splits them: the documents are the project's own).
run() {
  local -a words
  eval "words=(${1//\/tmp\//$scratch/})"
  words=("${words[@]/#examples\//$source/examples/}")
  case ${words[0]} in
    zentho-appapi | */zentho-appapi) words[0]=$tool ;;
    zentho-write-image | */zentho-write-image) words[0]=$image_writer ;;
    iconv | rm) ;;
    *) echo "(a command the documents may not run: ${words[0]})"; return ;;
  esac
  (cd "$scratch" && "${words[@]}" 2>&1) | tr -d "\r" | sed "s#$scratch/#/tmp/#g"
}

# matches EXPECTED-FILE ACTUAL-FILE: line by line, "..." standing for any lines; blank
# lines at the end do not count.
matches() {
  awk 'NR == FNR { want[++n] = $0; next } { got[++m] = $0 }
       function match_from(i, j,   k) {
         if (i > n) return j > m
         if (want[i] == "...") { for (k = j; k <= m + 1; k++) if (match_from(i + 1, k)) return 1; return 0 }
         return j <= m && want[i] == got[j] && match_from(i + 1, j + 1)
       }
       END { while (n && want[n] == "") n--; while (m && got[m] == "") m--; exit !match_from(1, 1) }' "$1" "$2"
}

check() {  # check DOC COMMAND EXPECTED-FILE
  run "$2" >"$scratch/.actual"
  if matches "$3" "$scratch/.actual"; then
    passes=$((passes + 1))
  else
    fail "$1: the output of $2 is not the tool's:"
    diff "$3" "$scratch/.actual" | head -20
  fi
}

for doc in "$source/README.md" "$source"/docs/*.md; do
  name=${doc#"$source/"}
  scratch="$work/$(basename "$doc" .md)" split="$work/blocks"
  mkdir -p "$scratch"
  rm -rf "$split" && mkdir -p "$split"
  # Each fenced block to a file of its own, with its language and the command a marker names.
  awk -v dir="$split" '
    !inside && /^```/ { inside = 1; n++; lang = substr($0, 4); print lang > (dir "/" n ".lang")
                        print (last ~ /^<!-- output of: .* -->$/ ? substr(last, 17, length(last) - 20) : "") > (dir "/" n ".marker")
                        printf "" > (dir "/" n ".block"); next }
    inside && /^```/ { inside = 0; next }
    inside { print > (dir "/" n ".block"); next }
    NF { last = $0 }' "$doc"
  for lang in "$split"/*.lang; do
    [ -e "$lang" ] || continue
    block=${lang%.lang}.block marker=$(cat "${lang%.lang}.marker")
    [ -z "$(cat "$lang")" ] || continue  # a language: no tool output
    blocks=$((blocks + 1))
    if [ -n "$marker" ]; then
      check "$name" "$marker" "$block"
    elif ! head -1 "$block" | grep -q '^\$ '; then
      fail "$name: a block of tool output that no test checks: $(head -1 "$block")"
    else
      command=""
      : >"$scratch/.expected"
      while IFS= read -r line || [ -n "$line" ]; do
        if [[ $line == '$ '* ]]; then
          [ -z "$command" ] || check "$name" "$command" "$scratch/.expected"
          command=${line#'$ '} && : >"$scratch/.expected"
          if [[ $command == *'  # '* ]]; then run "${command%%  # *}" >/dev/null; command=""; fi
        else
          echo "$line" >>"$scratch/.expected"
        fi
      done <"$block"
      [ -z "$command" ] || check "$name" "$command" "$scratch/.expected"
    fi
  done
done
echo "docs: $passes commands print what the documents show ($blocks blocks of tool output), $failures differ"
[ "$failures" = 0 ]
