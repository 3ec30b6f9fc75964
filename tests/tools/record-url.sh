#!/bin/sh
# Takes the place of a web browser in tests: records the address it was asked to open.
log=${KELVARA_URL_LOG:-/tmp/kelvara-urls.log}
printf '%s\n' "$1" >> "$log"
