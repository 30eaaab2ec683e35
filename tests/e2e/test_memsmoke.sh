# The memory engine on Wine's kernel: four figures a second, then a purge that returns.
out=$(tw_wine "$TW_BUILD/memory/memsmoke.exe" 2)
echo "$out"
grep -Eq '^physical +[0-9]+ MB / +[1-9][0-9]* MB' <<<"$out" || exit 1
[ "$(grep -c '^physical' <<<"$out")" -eq 2 ] || exit 1
grep -q 'purge requested' <<<"$out"
