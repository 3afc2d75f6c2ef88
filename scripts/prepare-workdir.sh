#!/usr/bin/env bash
# Lays out the work folder MyDocuments beside the program with what an installation delivers.
# Existing files are never overwritten: the journal and settings of earlier runs stay.
set -euo pipefail
bindir=$1
work="$bindir/MyDocuments"
mkdir -p "$work/DATABASE"
