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

constexpr char kObjectSummaries[] = R"(
-- Each object's weighings summed up as they arrive, so that the lab's view reads a row an
-- object: animals by number (home ''), results without a number by their name at their
-- station (home is the station).
CREATE TABLE IF NOT EXISTS lab_objects (
  home text NOT NULL,
  object text NOT NULL,
  weighings bigint NOT NULL DEFAULT 0,
  last_utc text,
  last_station text,
  last_id bigint,
  last_grams double precision,
  last_local text,
  cage text,
  grp text,
  first_utc text,
  first_station text,
  first_id bigint,
  first_grams double precision,
  PRIMARY KEY (home, object)
);
-- A station's results without a number, and its renames, by name; the references taken.
CREATE INDEX IF NOT EXISTS lab_records_by_name ON lab_records (station, object) WHERE animal = '';
CREATE INDEX IF NOT EXISTS lab_records_references ON lab_records (arrived) WHERE kind = 'reference';

-- Whether a result stands: no removal of its station names it.
CREATE OR REPLACE FUNCTION lab_result_stands(r lab_records) RETURNS boolean LANGUAGE sql STABLE AS $$
  SELECT r.kind = 'result' AND NOT EXISTS (SELECT 1 FROM lab_records x WHERE x.station = r.station
    AND x.kind = 'removal' AND x.subject = r.id AND x.subject <> 0) $$;

-- The object a result counts for: its animal's number, or the name its station's grid calls
-- it by now, with that station as its home.
CREATE OR REPLACE FUNCTION lab_result_home(r lab_records) RETURNS text LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN r.animal = '' THEN r.station ELSE '' END $$;
CREATE OR REPLACE FUNCTION lab_result_object(r lab_records) RETURNS text LANGUAGE sql STABLE AS $$
  SELECT CASE WHEN r.animal <> '' THEN r.animal ELSE coalesce((SELECT n.object FROM lab_records n
    WHERE n.station = r.station AND n.kind = 'rename' AND n.subject = r.id AND n.subject <> 0
    ORDER BY n.id DESC LIMIT 1), r.object) END $$;

-- Counts a standing result into its object's summary.
CREATE OR REPLACE FUNCTION lab_object_add(r lab_records, h text, name text) RETURNS void LANGUAGE plpgsql AS $$
DECLARE
  o lab_objects;
BEGIN
  INSERT INTO lab_objects (home, object) VALUES (h, name) ON CONFLICT DO NOTHING;
  SELECT * INTO o FROM lab_objects WHERE home = h AND object = name FOR UPDATE;
  IF o.last_utc IS NULL OR (r.utc, r.station, r.id) > (o.last_utc, o.last_station, o.last_id) THEN
    o.last_utc := r.utc; o.last_station := r.station; o.last_id := r.id; o.last_grams := r.grams;
    o.last_local := r.local; o.cage := r.cage; o.grp := r.grp;
  END IF;
  IF o.first_utc IS NULL OR (r.utc, r.station, r.id) < (o.first_utc, o.first_station, o.first_id) THEN
    o.first_utc := r.utc; o.first_station := r.station; o.first_id := r.id; o.first_grams := r.grams;
  END IF;
  o.weighings := o.weighings + 1;
  UPDATE lab_objects SET (weighings, last_utc, last_station, last_id, last_grams, last_local, cage, grp, first_utc,
      first_station, first_id, first_grams) = (o.weighings, o.last_utc, o.last_station, o.last_id, o.last_grams,
      o.last_local, o.cage, o.grp, o.first_utc, o.first_station, o.first_id, o.first_grams)
    WHERE home = h AND object = name;
END $$;

-- Sums an object up anew from its standing results.
CREATE OR REPLACE FUNCTION lab_object_recount(h text, name text) RETURNS void LANGUAGE plpgsql AS $$
DECLARE
  r lab_records;
BEGIN
  DELETE FROM lab_objects WHERE home = h AND object = name;
  IF h = '' THEN
    FOR r IN SELECT * FROM lab_records c WHERE c.animal = name AND lab_result_stands(c) LOOP
      PERFORM lab_object_add(r, h, name);
    END LOOP;
    RETURN;
  END IF;
  FOR r IN SELECT * FROM lab_records c WHERE c.station = h AND c.animal = '' AND (c.object = name OR c.id IN (
      SELECT n.subject FROM lab_records n WHERE n.station = h AND n.animal = '' AND n.object = name
      AND n.kind = 'rename')) AND lab_result_stands(c) AND lab_result_object(c) = name LOOP
    PERFORM lab_object_add(r, h, name);
  END LOOP;
END $$;

-- A result counts for its object; a removal or a rename sums up anew the object its result
-- counted for, and a rename the one it counts for now.
CREATE OR REPLACE FUNCTION lab_record_counts() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = public, pg_temp AS $$
DECLARE
  r lab_records;
BEGIN
  IF NEW.kind = 'result' THEN
    PERFORM lab_object_add(NEW, lab_result_home(NEW), CASE WHEN NEW.animal = '' THEN NEW.object ELSE NEW.animal END);
  ELSIF NEW.kind IN ('removal', 'rename') AND NEW.subject <> 0 THEN
    SELECT * INTO r FROM lab_records WHERE station = NEW.station AND id = NEW.subject AND kind = 'result';
    IF NOT FOUND OR (NEW.kind = 'rename' AND r.animal <> '') THEN
      RETURN NULL;
    END IF;
    PERFORM lab_object_recount(lab_result_home(r), CASE WHEN r.animal <> '' THEN r.animal ELSE coalesce((
      SELECT n.object FROM lab_records n WHERE n.station = r.station AND n.kind = 'rename' AND n.subject = r.id
      AND n.id < NEW.id ORDER BY n.id DESC LIMIT 1), r.object) END);
    IF NEW.kind = 'rename' THEN
      PERFORM lab_object_recount(r.station, NEW.object);
    END IF;
  END IF;
  RETURN NULL;
END $$;
DROP TRIGGER IF EXISTS lab_records_counted ON lab_records;
CREATE TRIGGER lab_records_counted AFTER INSERT ON lab_records
  FOR EACH ROW EXECUTE FUNCTION lab_record_counts();

-- Every object summed up anew: for a lab journal made before, or filled around the triggers.
CREATE OR REPLACE FUNCTION lab_objects_recount() RETURNS void LANGUAGE plpgsql AS $$
BEGIN
  DELETE FROM lab_objects;
  INSERT INTO lab_objects
  SELECT home, counted_for, count(*),
    (array_agg(utc ORDER BY utc DESC, station DESC, id DESC))[1],
    (array_agg(station ORDER BY utc DESC, station DESC, id DESC))[1],
    (array_agg(id ORDER BY utc DESC, station DESC, id DESC))[1],
    (array_agg(grams ORDER BY utc DESC, station DESC, id DESC))[1],
    (array_agg(local ORDER BY utc DESC, station DESC, id DESC))[1],
    (array_agg(cage ORDER BY utc DESC, station DESC, id DESC))[1],
    (array_agg(grp ORDER BY utc DESC, station DESC, id DESC))[1],
    (array_agg(utc ORDER BY utc, station, id))[1],
    (array_agg(station ORDER BY utc, station, id))[1],
    (array_agg(id ORDER BY utc, station, id))[1],
    (array_agg(grams ORDER BY utc, station, id))[1]
  FROM (SELECT r.station, r.id, r.utc, r.local, r.grams, r.cage, r.grp, lab_result_home(r) AS home,
          lab_result_object(r) AS counted_for FROM lab_records r WHERE lab_result_stands(r)) AS standing
  GROUP BY home, counted_for;
END $$;
DO $$ BEGIN
  IF NOT EXISTS (SELECT FROM lab_objects) THEN
    PERFORM lab_objects_recount();
  END IF;
END $$;
REVOKE ALL ON lab_objects FROM PUBLIC;
GRANT SELECT ON lab_objects TO tarvelo_station, tarvelo_reader;
)";

}  // namespace

std::optional<LabFailure> initLabServer(LabConnection& connection) {
  // One transaction: a server is set up whole or not at all.
  return connection.script(std::string("BEGIN;") + kSchema + kObjectSummaries + "COMMIT;");
}

}  // namespace tarvelo::labserver
