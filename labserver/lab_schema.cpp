#include "labserver/lab_schema.h"

namespace tarvelo::labserver {

namespace {

constexpr char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS lab_records (
  station text NOT NULL,
  id bigint NOT NULL,
  previous text NOT NULL,
  hash text NOT NULL,
  kind text NOT NULL,
  utc text NOT NULL,
  local text NOT NULL,
  person text NOT NULL,
  protocol text NOT NULL,
  object text NOT NULL,
  mass text NOT NULL,
  grams double precision,
  deviation text NOT NULL,
  unit text NOT NULL,
  count integer NOT NULL,
  trace text NOT NULL,
  balance text NOT NULL,
  subject bigint NOT NULL,
  chain integer NOT NULL,
  animal text NOT NULL,
  cage text NOT NULL,
  grp text NOT NULL,
  sex text NOT NULL,
  born text NOT NULL,
  note text NOT NULL,
  received timestamptz NOT NULL DEFAULT now(),
  arrived bigint GENERATED ALWAYS AS IDENTITY,  -- the server's own order, whatever the stations' clocks
  PRIMARY KEY (station, id)
);
CREATE INDEX IF NOT EXISTS lab_records_by_animal ON lab_records (animal, station, id) WHERE animal <> '';
-- The removals, renames and references that name a station's result.
CREATE INDEX IF NOT EXISTS lab_records_by_subject ON lab_records (station, subject, id) WHERE subject <> 0;
-- The entries of the lab's list of animals, in the order they came.
CREATE INDEX IF NOT EXISTS lab_records_list ON lab_records (arrived) WHERE kind IN ('animal', 'animal-gone');

-- A record continues its station's chain: the next number, after the station's last hash.
-- The same record again is passed over; another record of a number the server holds is
-- refused, naming that number.
CREATE OR REPLACE FUNCTION lab_record_continues_chain() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
  held text;
  last_id bigint;
  last_hash text;
BEGIN
  SELECT hash INTO held FROM lab_records WHERE station = NEW.station AND id = NEW.id;
  IF FOUND THEN
    IF held = NEW.hash THEN
      RETURN NULL;
    END IF;
    RAISE EXCEPTION 'record % of station % differs from the one the server holds', NEW.id, NEW.station
      USING ERRCODE = 'TV001', DETAIL = NEW.id::text;
  END IF;
  SELECT id, hash INTO last_id, last_hash FROM lab_records WHERE station = NEW.station ORDER BY id DESC LIMIT 1;
  IF NEW.id <> coalesce(last_id, 0) + 1 OR NEW.previous <> coalesce(last_hash, '') THEN
    RAISE EXCEPTION 'record % of station % does not continue its chain', NEW.id, NEW.station
      USING ERRCODE = 'TV001', DETAIL = least(NEW.id, coalesce(last_id, 0) + 1)::text;
  END IF;
  RETURN NEW;
END $$;

CREATE OR REPLACE FUNCTION lab_record_is_kept() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  RAISE EXCEPTION 'lab journal records are never changed or deleted';
END $$;

DROP TRIGGER IF EXISTS lab_records_chain ON lab_records;
CREATE TRIGGER lab_records_chain BEFORE INSERT ON lab_records
  FOR EACH ROW EXECUTE FUNCTION lab_record_continues_chain();
DROP TRIGGER IF EXISTS lab_records_kept ON lab_records;
CREATE TRIGGER lab_records_kept BEFORE UPDATE OR DELETE ON lab_records
  FOR EACH ROW EXECUTE FUNCTION lab_record_is_kept();
DROP TRIGGER IF EXISTS lab_records_not_emptied ON lab_records;
CREATE TRIGGER lab_records_not_emptied BEFORE TRUNCATE ON lab_records
  FOR EACH STATEMENT EXECUTE FUNCTION lab_record_is_kept();

DO $$ BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tarvelo_station') THEN
    CREATE ROLE tarvelo_station NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tarvelo_reader') THEN
    CREATE ROLE tarvelo_reader NOLOGIN;
  END IF;
END $$;
REVOKE ALL ON lab_records FROM PUBLIC;
REVOKE ALL ON lab_records FROM tarvelo_station, tarvelo_reader;
GRANT SELECT, INSERT ON lab_records TO tarvelo_station;
GRANT SELECT ON lab_records TO tarvelo_reader;
)";

}  // namespace

std::optional<LabFailure> initLabServer(LabConnection& connection) {
  // One transaction: a server is set up whole or not at all.
  return connection.script(std::string("BEGIN;") + kSchema + "COMMIT;");
}

}  // namespace tarvelo::labserver
