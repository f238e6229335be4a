#!/bin/sh
# zelkonet usb list and query on a described machine with two printers and
# readers on a printer's hub and on its inner hub.
#   zelkonet_usb.sh ZELKONET MACHINE_FILE [LAUNCHER]
# LAUNCHER (wine64 for the Windows build) starts the program; the machine
# file is then given as the program sees it (Z:/...).
set -u
cli=$1
machine=$2
launcher=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

check() {  # name, expected exit status, then the command's words
  name=$1 status=$2
  shift 2
  $launcher "$cli" usb "$@" --machine "$machine" > "$work/$name.raw" 2> "$work/$name.err"
  got=$?
  tr -d '\r' < "$work/$name.raw" > "$work/$name.out"
  if [ "$got" != "$status" ]; then
    echo "FAIL: $name exited with $got, not $status" >&2
    cat "$work/$name.err" >&2
    fail=1
  fi
  if ! diff -u "$work/$name.expected" "$work/$name.out" >&2; then
    echo "FAIL: $name printed something else" >&2
    fail=1
  fi
}

cat > "$work/list.expected" <<'END'
ZELKO-70 Card Printer  [ZK700001 : USB001]   product id 0x3850
Orvane ZELKO-40 Card Printer  [ZK400002 : USB002]   product id 0x3870
2 printer(s) on USB.
END
check list 0 list

cat > "$work/assembled.expected" <<'END'
Printer id:      ZK400002
Name:            Orvane ZELKO-40 Card Printer
Product id:      0x3870
USB port:        USB002
Device path:     \\.\usb#vid_0016&pid_3870#5&1a2b3c1&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}
Report source:   assembled from the status flag and the readers on the printer's hubs
Encoder report:
  Status word:                    0x00000001
  Contact reader (port 2/3):      
  Contact reader (port 4):        Gemplus USB Smart Card Reader 0
  Contactless reader (port 2/3):  HID OMNIKEY 5127 CK CL 0
  Contactless reader (port 4):    DUALi DE-ABCM LARGE 0
END
check assembled 0 query ZK400002

cat > "$work/printer.expected" <<'END'
Printer id:      ZK700001
Name:            ZELKO-70 Card Printer
Product id:      0x3850
USB port:        USB001
Device path:     \\.\usb#vid_0016&pid_3850#5&1a2b3c0&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}
Report source:   the printer
Encoder report:
  Status word:                    0x00000001
  Contact reader (port 2/3):      ACS ACR38U 0
  Contact reader (port 4):        
  Contactless reader (port 2/3):  OMNIKEY CardMan 5x21-CL 0
  Contactless reader (port 4):    
END
check printer 0 query ZK700001 USB001

# The right id on the wrong port, and an id in the wrong letter case.
: > "$work/wrong-port.expected"
check wrong-port 1 query ZK700001 USB002
: > "$work/wrong-case.expected"
check wrong-case 1 query zk400002

# A broken description, a file without the version line and an unknown
# version are refused with their line: file text|what the message says.
[ -z "$launcher" ] && for row in 'zelkonet-usb-machine 1\nhub A\nprinter at=B:1\n|unknown hub B' \
    'hub A\n|line 1: not a machine file' 'zelkonet-usb-machine 2\nhub A\n|line 1: format version "2"'; do
  printf "${row%%|*}" > "$work/broken.machine"
  "$cli" usb list --machine "$work/broken.machine" > /dev/null 2> "$work/broken.err"
  [ $? = 1 ] && grep -q "${row#*|}" "$work/broken.err" || { echo "FAIL: not refused: $row" >&2; fail=1; }
done

[ $fail = 0 ] && echo "zelkonet usb: all checks passed"
exit $fail
