# Sourced by the line's stress tests: a settings file that numbers every
# unit (serial numbers "AB" + a counter) with RF IDs in one of two modes.
#
#   write_line_settings sequential|random FILE
write_line_settings() {
  local mode=$1 file=$2 ids
  local serial='object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  FixSN = 16706;  IncSNByteCount = 4;  IncInitSN = 1;  IsFixAscii = True;end;'
  if [ "$mode" = sequential ]; then
    ids='RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;end;
TXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 10597376;end;'
  else
    ids='RXRFIDINFO=object TProdRFID;  IsRandom = True;end;
TXRFIDINFO=object TProdRFID;  IsRandom = True;end;'
  fi
  printf '[TX]\r\nRXSNINFO=%s\r\nTXSNINFO=%s\r\n%s\r\n' "$serial" "$serial" "${ids//$'\n'/$'\r\n'}" > "$file"
}
