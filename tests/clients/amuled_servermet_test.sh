#!/usr/bin/env bash
# The real aMule loads our lists: run inside a private network namespace (scripts/netns-run),
# where its servers on the documentation ranges lead nowhere but to loopback.
#  (a) a list written by our aMule writer loads in amuled with every server and name;
#  (b) the list amuled writes when it quits, read and written back by us, is byte for byte the
#      same and loads again with the same servers;
#  (c) that list (priorities, a dynamic-IP entry) survives a whole Hublane cycle against simulated
#      servers at its addresses, each answering the name it has: not a byte changes, and amuled
#      loads the same servers again.
# Exit 77 (CTest: skipped) without amuled/amulecmd or without network namespaces.
# Usage: amuled_servermet_test.sh HUBLANECTL NETNS_RUN HUBLANE_LAB
set -Eeuo pipefail
hublanectl=$1
netns_run=$2
hublane_lab=$3
for p in amuled amulecmd; do
  if ! command -v "$p" >/dev/null; then
    echo "skipped: $p is not installed (HUBLANE_WITH_AMULE=1 scripts/install-deps)" >&2
    exit 77
  fi
done
if [ -z "${HUBLANE_AMULED_TEST_INSIDE:-}" ]; then
  HUBLANE_AMULED_TEST_INSIDE=1 exec "$netns_run" "$0" "$@"
fi

work=$(mktemp -d)
pid=
lab_pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null || true; fi
  if [ -n "$lab_pid" ] && kill -0 "$lab_pid" 2>/dev/null; then kill -KILL "$lab_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# A command that fails where no check of ours stands says where, rather than ending in silence.
trap 'echo "FAILED: line $LINENO: $BASH_COMMAND" >&2' ERR

mkdir "$work/amule"
cat >"$work/amule/amule.conf" <<'CONF'
[eMule]
Port=24662
UDPPort=24672
Autoconnect=0
Reconnect=0
ConnectToKad=0
ConnectToED2K=1
Serverlist=0
UPnPEnabled=0
FilterLanIPs=0
IPFilterAutoLoad=0
NewVersionCheck=0
GeoIPEnabled=0
Ed2kServersUrl=
KadNodesUrl=
[ExternalConnect]
AcceptExternalConnections=1
ECAddress=127.0.0.1
ECPort=24712
ECPassword=5febc38ef02954d03e4d18fb1d131eb7
CONF

cmd_once() {
  timeout 10 amulecmd -h 127.0.0.1 -p 24712 -P hublane -c "$1" 2>&1 || true
}
# Now and then amuled hangs up on a connection without a word, and amulecmd says "EC connection
# failed. Empty reply." (about once in 50 runs of this test). Such a try is made again.
cmd() {
  local out
  for _ in 1 2 3 4 5; do
    out=$(cmd_once "$1")
    case $out in *Succeeded*) break ;; esac
    sleep 0.2
  done
  printf '%s\n' "$out"
}
start() {
  amuled -c "$work/amule" -o >"$work/amuled.log" 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    if cmd_once "show servers" | grep -q Succeeded; then return 0; fi
    kill -0 "$pid" 2>/dev/null || { cat "$work/amuled.log" >&2; fail "amuled ended at start"; }
    sleep 0.1
  done
  fail "amuled did not answer on its EC port within 10 s"
}
stop() {
  kill -TERM "$pid"
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" || true; pid=; return 0; }
    sleep 0.1
  done
  fail "amuled did not end within 10 s of SIGTERM"
}
# The servers amuled lists, one "[IP:PORT] name" a line. amuled sometimes lets amulecmd in and then
# hangs up before the list (it says "Succeeded" and nothing more): such a try is made again. Every
# list asked for here holds servers, so an empty one is never an answer to keep.
servers() {
  local out
  for _ in 1 2 3 4 5; do
    out=$(cmd "show servers" | grep -o '\[[0-9.]*:[0-9]*\].*' | sed 's/\]\s*/] /' | sort || true)
    [ -n "$out" ] && break
    echo "amuled listed no server: asking again" >&2
    sleep 0.2
  done
  [ -z "$out" ] || printf '%s\n' "$out"
}

# (a) Our list, as the aMule writer makes it from rows.
printf '198.51.100.1\t4661\tn/a\tn/a\tAlpha One\tfirst server\n198.51.100.2\t4242\t12\t34\tBeta\tn/a\n203.0.113.7\t4663\tn/a\tn/a\tGamma \xc3\xa9\tthird\n' >"$work/rows"
# Written against a list that holds what the table cannot show: a dynamic-IP server (address 0,
# its host name in tag 0x85) and a priority (0x0E = 2) on a server the rows keep.
printf '\xe0\x02\x00\x00\x00'\
'\xc6\x33\x64\x01\x35\x12\x02\x00\x00\x00\x02\x01\x00\x01\x09\x00Alpha One\x03\x01\x00\x0e\x02\x00\x00\x00'\
'\x00\x00\x00\x00\xc7\x1b\x02\x00\x00\x00\x02\x01\x00\x01\x03\x00Dyn\x02\x01\x00\x85\x0f\x00dyn.example.org' \
  >"$work/amule/server.met"
"$hublanectl" servermet write --client amule "$work/amule/server.met" <"$work/rows" ||
  fail "hublanectl could not write the list"
grep -q dyn.example.org "$work/amule/server.met" || fail "our writer lost the dynamic-IP entry"
start
servers >"$work/loaded"
for line in '[198.51.100.1:4661] Alpha One' '[198.51.100.2:4242] Beta' "$(printf '[203.0.113.7:4663] Gamma \xc3\xa9')"; do
  grep -qxF "$line" "$work/loaded" || { cat "$work/loaded" >&2; fail "amuled did not load $line"; }
done

# (b) amuled's own list: a server added by hand, then the list it writes when it quits.
cmd "add ed2k://|server|203.0.113.9|4665|/" >/dev/null
for _ in $(seq 1 50); do servers | grep -q 203.0.113.9 && break; sleep 0.1; done
servers | grep -q '^\[203.0.113.9:4665\]' || fail "amuled did not take the added server"
servers >"$work/before"
stop
cp "$work/amule/server.met" "$work/amuled.met"
grep -q dyn.example.org "$work/amuled.met" || fail "amuled's own list has no dynamic-IP entry to keep"
"$hublanectl" servermet read --client amule "$work/amuled.met" >"$work/amuled.rows" ||
  fail "hublanectl could not read amuled's list whole"
"$hublanectl" servermet write --client amule "$work/amule/server.met" <"$work/amuled.rows" ||
  fail "hublanectl could not write amuled's list back"
cmp "$work/amuled.met" "$work/amule/server.met" || fail "amuled's list written back is not byte for byte the same"
start
servers >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "amuled did not load the same servers again"
stop

# (c) A whole cycle on amuled's list. netns-run made the documentation ranges local addresses of
# this namespace's loopback, so that simulated servers can listen there.
cp "$work/amule/server.met" "$work/before-cycle.met"
"$hublanectl" servermet read --client amule "$work/amule/server.met" >"$work/cycle.rows" 2>/dev/null ||
  fail "hublanectl could not read amuled's list before the cycle"
# One answering server a row, with the row's name and description (n/a: none), as bytes.
perl -F'\t' -lane '
  sub lab { my $s = shift; return "" if !defined $s || $s eq "n/a";
            $s =~ s/([^\x21\x23-\x5b\x5d-\x7e])/sprintf("\\x%02X", ord($1))/ge; return $s; }
  print "$F[0] $F[1] answer name=\"" . lab($F[4]) . "\" desc=\"" . lab($F[5]) . "\"";
' "$work/cycle.rows" >"$work/lab.txt"
rows=$(wc -l <"$work/cycle.rows")
: >"$work/lab.out" # there before the simulated servers' shell has opened it
"$hublane_lab" --seconds 120 "$work/lab.txt" >"$work/lab.out" 2>&1 &
lab_pid=$!
for _ in $(seq 1 100); do
  [ "$(grep -c '^listening:' "$work/lab.out" || true)" -eq "$rows" ] && break
  kill -0 "$lab_pid" 2>/dev/null || { cat "$work/lab.out" >&2; fail "the simulated servers did not start"; }
  sleep 0.1
done
mkdir -p "$work/home"
(cd "$work" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" "$hublanectl" cycle --client amule \
  --client-dir "$work/amule" --no-handoff --web http://127.0.0.1:9/ --threads 10 --timeout 1 --speed 10) \
  >"$work/cycle.out" 2>&1 || { cat "$work/cycle.out" >&2; fail "the cycle on amuled's list failed"; }
kill -TERM "$lab_pid" 2>/dev/null || true
wait "$lab_pid" 2>/dev/null || true
lab_pid=
summary=$(grep '^Cycle terminé' "$work/cycle.out" || true)
echo "$summary" | grep -q "^Cycle terminé : $rows serveurs gardés, 0 retiré, 0 ajouté" ||
  { cat "$work/cycle.out" >&2; fail "the cycle did not keep every server of amuled's list"; }
echo "$summary" | grep -q 'entrée.* gardée.* telle.* quelle' ||
  { cat "$work/cycle.out" >&2; fail "the summary does not count the dynamic-IP entry kept as it was"; }
cmp "$work/before-cycle.met" "$work/amule/server.met" ||
  fail "a cycle that learned nothing changed amuled's list"
start
servers >"$work/after-cycle"
diff "$work/before" "$work/after-cycle" >&2 || fail "amuled did not load the same servers after the cycle"
stop
echo "amuled loaded our list ($(wc -l <"$work/loaded") servers), took its own back ($(wc -l <"$work/after") servers)" \
  "and again after a cycle ($(wc -l <"$work/after-cycle") servers)"
