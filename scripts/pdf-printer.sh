#!/usr/bin/env bash
# Makes sure a CUPS server runs and offers the US Letter PDF queue "RouvelPDF" that the
# printing tests print to. Idempotent. cups-pdf writes every job into the folder below, its
# file named after the job's title and id; the tests read that folder from
# /etc/cups/cups-pdf-rouvel.conf.
#
# The queue has a cups-pdf configuration of its own: its device cups-pdf:/rouvel makes cups-pdf
# read /etc/cups/cups-pdf-rouvel.conf, so the machine's /etc/cups/cups-pdf.conf, and where
# every other cups-pdf queue writes, stays as it is.
set -euo pipefail

queue=RouvelPDF
instance=rouvel
device=cups-pdf:/$instance
out_dir=${ROUVEL_PDF_DIR:-/var/spool/cups-pdf/rouvel}
conf=/etc/cups/cups-pdf-$instance.conf
socket=/run/cups/cups.sock

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if ! command -v cupsd >/dev/null || [ ! -e /usr/lib/cups/backend/cups-pdf ]; then
    echo "pdf-printer: cups or printer-driver-cups-pdf is not installed" >&2
    exit 1
fi

# cups-pdf output: one known folder for every user, each job labelled with its id. Written
# whole, only when it differs, so a second run changes nothing.
as_root mkdir -p "$out_dir"
as_root chmod 1777 "$out_dir"
wanted=$(printf '%s\n' \
    "# cups-pdf settings of the queue $queue (device $device), written by rouvel's" \
    "# scripts/pdf-printer.sh for its printing tests." \
    "Out $out_dir" \
    "AnonDirName $out_dir" \
    "Label 2" \
    "Grp lpadmin" \
    "DecodeHexStrings 1")
if [ "$(cat "$conf" 2>/dev/null)" != "$wanted" ]; then
    printf '%s\n' "$wanted" | as_root tee "$conf" >/dev/null
    as_root chmod 644 "$conf"
fi

# No systemd here: start the scheduler directly when none answers.
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    as_root mkdir -p /run/cups
    as_root cupsd
    for _ in $(seq 1 60); do
        [ -S "$socket" ] && lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.5
    done
    if ! lpstat -r 2>/dev/null | grep -q "is running"; then
        echo "pdf-printer: the CUPS scheduler did not start" >&2
        exit 1
    fi
fi

if ! lpstat -p "$queue" >/dev/null 2>&1; then
    ppd=$(lpinfo -m 2>/dev/null | awk 'tolower($0) ~ /cups-pdf/ { print $1; exit }')
    if [ -z "$ppd" ]; then
        ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/share/ppd/cups-pdf/*.ppd \
            2>/dev/null | head -n 1)
        [ -n "$ppd" ] || { echo "pdf-printer: no cups-pdf PPD found" >&2; exit 1; }
        as_root lpadmin -p "$queue" -E -v "$device" -P "$ppd" -o PageSize=Letter
    else
        as_root lpadmin -p "$queue" -E -v "$device" -m "$ppd" -o PageSize=Letter
    fi
fi
# A queue made by an earlier version of this script writes through the global configuration.
if [ "$(lpstat -v "$queue" 2>/dev/null | awk '{ print $NF }')" != "$device" ]; then
    as_root lpadmin -p "$queue" -v "$device"
fi
# Cairo turns the job into PostScript with real fonts, so the PDF keeps its text searchable;
# the other renderers leave glyph drawings that text extraction cannot read.
as_root lpadmin -p "$queue" -o PageSize=Letter -o pdftops-renderer-default=pdftocairo
as_root cupsenable "$queue"
as_root cupsaccept "$queue"
echo "pdf-printer: queue $queue ready, PDFs in $out_dir"
