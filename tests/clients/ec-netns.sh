#!/bin/sh
# Runs a program in a private network namespace: loopback up, the documentation ranges
# 198.51.100.0/24 and 203.0.113.0/24 routed to it, and nothing else. The program is started only
# once no other interface or route is seen, so nothing it sends can leave the machine.
# Usage: ec-netns.sh PROGRAM [ARGS...]
set -eu
if [ "${HUBLANE_NETNS:-}" != inside ]; then
  if ! command -v unshare >/dev/null 2>&1 || ! command -v ip >/dev/null 2>&1; then
    echo "network namespaces unavailable (unshare or ip missing)"
    exit 0
  fi
  if ! unshare -n true 2>/dev/null; then
    echo "network namespaces unavailable (unshare -n refused)"
    exit 0
  fi
  HUBLANE_NETNS=inside exec unshare -n "$0" "$@"
fi
ip link set lo up
ip route add 198.51.100.0/24 dev lo
ip route add 203.0.113.0/24 dev lo
links=$(ip -o link show | awk -F': ' '{print $2}')
if [ "$links" != lo ]; then
  echo "ec-netns: interfaces other than lo in the namespace: $links" >&2
  exit 1
fi
routes=$(ip -4 route show table all | grep -v ' dev lo ' || true)
if [ -n "$routes" ]; then
  echo "ec-netns: routes off loopback in the namespace: $routes" >&2
  exit 1
fi
export HUBLANE_NETNS
exec "$@"
