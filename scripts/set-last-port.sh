#!/usr/bin/env bash
# Writes the port a user chose last into a Kelvara profile: key COMPortName
# of section [Application], as the connection panel stores it. Other lines
# are kept; section and key names match without regard to case; lines end
# in CR LF.
# Usage: bash scripts/set-last-port.sh PROFILE.ini COM<N>
set -euo pipefail
profile="$1"
port="$2"
tmp="$(mktemp "$profile.XXXXXX")"
touch "$profile"
awk -v port="$port" '
  BEGIN { done = 0; in_app = 0 }
  { sub(/\r$/, "") }
  /^[ \t]*\[/ {
    if (in_app && !done) { print "COMPortName=" port "\r"; done = 1 }
    name = $0; gsub(/^[ \t]*\[|\][ \t]*$/, "", name)
    in_app = tolower(name) == "application"
    print $0 "\r"; next
  }
  in_app && !done && tolower($0) ~ /^[ \t]*comportname[ \t]*=/ {
    print "COMPortName=" port "\r"; done = 1; next
  }
  { print $0 "\r" }
  END {
    if (in_app && !done) { print "COMPortName=" port "\r"; done = 1 }
    if (!done) { print "[Application]\r"; print "COMPortName=" port "\r" }
  }' "$profile" >"$tmp"
mv "$tmp" "$profile"
