-- One row per real-time sample. _time is filled by the insert itself with
-- datetime('now','localtime'); the other columns hold the sample's values.
CREATE TABLE qmn_power (
  _time DATETIME,
  p1 DOUBLE,
  p2 DOUBLE,
  PP1 DOUBLE,
  PP2 DOUBLE,
  Volt DOUBLE,
  KWh1 DOUBLE,
  KWh1P DOUBLE,
  KWh2 DOUBLE,
  KWh2P DOUBLE,
  Amp1 DOUBLE,
  Amp2 DOUBLE,
  E1A DOUBLE,
  E2A DOUBLE,
  E1AP DOUBLE,
  E2AP DOUBLE,
  E1B DOUBLE,
  E2B DOUBLE,
  E1BP DOUBLE,
  E2BP DOUBLE
);
