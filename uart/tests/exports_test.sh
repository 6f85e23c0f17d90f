#!/usr/bin/env bash
# The library exports exactly the documented operations.
set -euo pipefail
lib=$1
expected="CloseLink ExchangeCommand OpenLink ReceiveBytes ReceiveFrame SendBytes SendCommand UartCancel UartOpenError UartPortDevice UartSettle"
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort | xargs)
if [ "$actual" != "$expected" ]; then
  echo "exports differ"; echo " expected: $expected"; echo " actual:   $actual"; exit 1
fi
echo "exports ok: $actual"
