#!/bin/sh
# The layering rule of src/, checked on every include between folders:
#   common    the seams and the settings store: includes nothing of ours
#   serial    the serial line: common
#   nc        the reader of NC programs: common
#   document  text code, program index, files: common, nc
#   tools     editing and saving tools: common, nc, document
#   transfer  send and reception: common, serial, nc, document
#   history   the record of the transfers: common, nc, document, transfer
#   station   the settings, the machines and their transfer sessions:
#             common, serial, nc, document, transfer, history
#   app       the program: everything
#   dnc       the DNC server's program, without a window: all but app
#             and tools
# and within every folder: a file outside a "widgets" folder (the
# widget-free core) includes no file from one.
# Prints each break and exits 1 when there is any.
cd "$(dirname "$0")/../src" || exit 2
allowed() {
    case $1 in
    common) echo "common" ;;
    serial) echo "common serial" ;;
    nc) echo "common nc" ;;
    document) echo "common nc document" ;;
    tools) echo "common nc document tools" ;;
    transfer) echo "common serial nc document transfer" ;;
    history) echo "common nc document transfer history" ;;
    station) echo "common serial nc document transfer history station" ;;
    app) echo "common serial nc document tools transfer history station app" ;;
    dnc) echo "common serial nc document transfer history station dnc" ;;
    *) echo "" ;;
    esac
}
status=0
for file in $(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort); do
    layer=${file%%/*}
    ok=$(allowed "$layer")
    if [ -z "$ok" ]; then
        echo "$file: folder $layer has no place in the layering rule"
        status=1
        continue
    fi
    for inc in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z]*\/[^"]*\)".*/\1/p' "$file"); do
        target=${inc%%/*}
        case " $ok " in
        *" $target "*) ;;
        *) echo "$file: includes $inc, above its layer"; status=1 ;;
        esac
        case $file in
        */widgets/*) ;;
        *) case $inc in */widgets/*) echo "$file: widget-free file includes $inc"; status=1 ;; esac ;;
        esac
    done
done
exit $status
