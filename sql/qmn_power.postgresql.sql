-- One row per real-time sample, for a PostgreSQL database reached through
-- psqlODBC (the "Access" database kind with an ODBC connection string).
-- Names are unquoted on purpose: PostgreSQL folds them to lower case, and the
-- program's INSERT statement is unquoted too, so both sides meet.
-- _time is the program's local wall-clock time of the sample, written by the insert.
CREATE TABLE qmn_power (
  _time TIMESTAMP,
  p1 DOUBLE PRECISION,
  p2 DOUBLE PRECISION,
  PP1 DOUBLE PRECISION,
  PP2 DOUBLE PRECISION,
  Volt DOUBLE PRECISION,
  KWh1 DOUBLE PRECISION,
  KWh1P DOUBLE PRECISION,
  KWh2 DOUBLE PRECISION,
  KWh2P DOUBLE PRECISION,
  Amp1 DOUBLE PRECISION,
  Amp2 DOUBLE PRECISION,
  E1A DOUBLE PRECISION,
  E2A DOUBLE PRECISION,
  E1AP DOUBLE PRECISION,
  E2AP DOUBLE PRECISION,
  E1B DOUBLE PRECISION,
  E2B DOUBLE PRECISION,
  E1BP DOUBLE PRECISION,
  E2BP DOUBLE PRECISION
);
