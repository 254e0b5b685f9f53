#!/bin/sh
# Makes f00000.ini to f09999.ini, empty, in a fresh folder $1, from the Linux
# side: under Wine each new name costs a search through the whole folder.
set -eu
rm -rf "$1"
mkdir -p "$1"
cd "$1"
seq -f 'f%05g.ini' 0 9999 | xargs touch
