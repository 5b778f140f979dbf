# The check counter of the Windows scripts, sourced by them: check NAME EXPECTED ACTUAL counts a
# pass or a failure and shows a failure's first lines and difference.
passed=0
failed=0
check() { # NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
    echo "ok   $1"
  else
    failed=$((failed + 1))
    echo "FAIL $1"
    echo "     expected first line: $(head -1 <<<"$2")"
    echo "     found first line:    $(head -1 <<<"$3")"
    diff <(echo "$2") <(echo "$3") | head -20 | sed 's/^/     /' || true
  fi
}
