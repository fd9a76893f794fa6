-- Each object's weighings summed up as they arrive, so that the lab's view reads a row an
-- object: animals by number (home ''), results without a number by their name at their
-- station (home is the station). Run after schema.sql, as the owner.
CREATE TABLE IF NOT EXISTS tarvelo.lab_objects (
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
  first_grams double precision
);
-- An object by its home and a digest of its name, which may be of any length.
ALTER TABLE tarvelo.lab_objects DROP CONSTRAINT IF EXISTS lab_objects_pkey;
CREATE UNIQUE INDEX IF NOT EXISTS lab_objects_key ON tarvelo.lab_objects (home, md5(object));
-- A station's results without a number, and its renames, by name; the references taken.
DROP INDEX IF EXISTS tarvelo.lab_records_by_name;
CREATE INDEX IF NOT EXISTS lab_records_by_object ON tarvelo.lab_records USING hash (object) WHERE animal = '';
CREATE INDEX IF NOT EXISTS lab_records_references ON tarvelo.lab_records (arrived) WHERE kind = 'reference';

-- These three are read inside the lab's queries, where the planner inlines them: no fixed
-- path, every name qualified.
-- Whether a result stands: no removal of its station names it.
CREATE OR REPLACE FUNCTION tarvelo.lab_result_stands(r tarvelo.lab_records) RETURNS boolean LANGUAGE sql STABLE AS $$
  SELECT r.kind = 'result' AND NOT EXISTS (SELECT 1 FROM tarvelo.lab_records x WHERE x.station = r.station
    AND x.kind = 'removal' AND x.subject = r.id AND x.subject <> 0) $$;

-- The object a result counts for: its animal's number, or the name its station's grid calls
-- it by now, with that station as its home.
CREATE OR REPLACE FUNCTION tarvelo.lab_result_home(r tarvelo.lab_records) RETURNS text LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN r.animal = '' THEN r.station ELSE '' END $$;
CREATE OR REPLACE FUNCTION tarvelo.lab_result_object(r tarvelo.lab_records) RETURNS text LANGUAGE sql STABLE AS $$
  SELECT CASE WHEN r.animal <> '' THEN r.animal ELSE coalesce((SELECT n.object FROM tarvelo.lab_records n
    WHERE n.station = r.station AND n.kind = 'rename' AND n.subject = r.id AND n.subject <> 0
    ORDER BY n.id DESC LIMIT 1), r.object) END $$;

-- Counts a standing result into its object's summary.
CREATE OR REPLACE FUNCTION tarvelo.lab_object_add(r tarvelo.lab_records, h text, name text) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, tarvelo, pg_temp AS $$
DECLARE
  o tarvelo.lab_objects;
BEGIN
  INSERT INTO tarvelo.lab_objects (home, object) VALUES (h, name) ON CONFLICT DO NOTHING;
  SELECT * INTO o FROM tarvelo.lab_objects WHERE home = h AND md5(object) = md5(name) AND object = name FOR UPDATE;
  IF o.last_utc IS NULL OR (r.utc, r.station, r.id) > (o.last_utc, o.last_station, o.last_id) THEN
    o.last_utc := r.utc; o.last_station := r.station; o.last_id := r.id; o.last_grams := r.grams;
    o.last_local := r.local; o.cage := r.cage; o.grp := r.grp;
  END IF;
  IF o.first_utc IS NULL OR (r.utc, r.station, r.id) < (o.first_utc, o.first_station, o.first_id) THEN
    o.first_utc := r.utc; o.first_station := r.station; o.first_id := r.id; o.first_grams := r.grams;
  END IF;
  o.weighings := o.weighings + 1;
  UPDATE tarvelo.lab_objects SET (weighings, last_utc, last_station, last_id, last_grams, last_local, cage, grp,
      first_utc, first_station, first_id, first_grams) = (o.weighings, o.last_utc, o.last_station, o.last_id,
      o.last_grams, o.last_local, o.cage, o.grp, o.first_utc, o.first_station, o.first_id, o.first_grams)
    WHERE home = h AND md5(object) = md5(name) AND object = name;
END $$;

-- Sums an object up anew from its standing results.
CREATE OR REPLACE FUNCTION tarvelo.lab_object_recount(h text, name text) RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, tarvelo, pg_temp AS $$
DECLARE
  r tarvelo.lab_records;
BEGIN
  DELETE FROM tarvelo.lab_objects WHERE home = h AND md5(object) = md5(name) AND object = name;
  IF h = '' THEN
    FOR r IN SELECT * FROM tarvelo.lab_records c WHERE c.animal = name AND tarvelo.lab_result_stands(c) LOOP
      PERFORM tarvelo.lab_object_add(r, h, name);
    END LOOP;
    RETURN;
  END IF;
  FOR r IN SELECT * FROM tarvelo.lab_records c WHERE c.station = h AND c.animal = '' AND (c.object = name OR c.id IN (
      SELECT n.subject FROM tarvelo.lab_records n WHERE n.station = h AND n.animal = '' AND n.object = name
      AND n.kind = 'rename')) AND tarvelo.lab_result_stands(c) AND tarvelo.lab_result_object(c) = name LOOP
    PERFORM tarvelo.lab_object_add(r, h, name);
  END LOOP;
END $$;

-- A result counts for its object; a removal or a rename sums up anew the object its result
-- counted for, and a rename the one it counts for now. Runs as the owner: stations only read
-- the sums.
CREATE OR REPLACE FUNCTION tarvelo.lab_record_counts() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, tarvelo, pg_temp AS $$
DECLARE
  r tarvelo.lab_records;
BEGIN
  IF NEW.kind = 'result' THEN
    PERFORM tarvelo.lab_object_add(NEW, tarvelo.lab_result_home(NEW),
      CASE WHEN NEW.animal = '' THEN NEW.object ELSE NEW.animal END);
  ELSIF NEW.kind IN ('removal', 'rename') AND NEW.subject <> 0 THEN
    SELECT * INTO r FROM tarvelo.lab_records WHERE station = NEW.station AND id = NEW.subject AND kind = 'result';
    IF NOT FOUND OR (NEW.kind = 'rename' AND r.animal <> '') THEN
      RETURN NULL;
    END IF;
    PERFORM tarvelo.lab_object_recount(tarvelo.lab_result_home(r), CASE WHEN r.animal <> '' THEN r.animal ELSE
      coalesce((SELECT n.object FROM tarvelo.lab_records n WHERE n.station = r.station AND n.kind = 'rename'
      AND n.subject = r.id AND n.id < NEW.id ORDER BY n.id DESC LIMIT 1), r.object) END);
    IF NEW.kind = 'rename' THEN
      PERFORM tarvelo.lab_object_recount(r.station, NEW.object);
    END IF;
  END IF;
  RETURN NULL;
END $$;
DROP TRIGGER IF EXISTS lab_records_counted ON tarvelo.lab_records;
CREATE TRIGGER lab_records_counted AFTER INSERT ON tarvelo.lab_records
  FOR EACH ROW EXECUTE FUNCTION tarvelo.lab_record_counts();

-- Every object summed up anew: for a lab journal made before, or filled around the triggers.
CREATE OR REPLACE FUNCTION tarvelo.lab_objects_recount() RETURNS void
LANGUAGE plpgsql SET search_path = pg_catalog, tarvelo, pg_temp AS $$
BEGIN
  DELETE FROM tarvelo.lab_objects;
  INSERT INTO tarvelo.lab_objects
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
  FROM (SELECT r.station, r.id, r.utc, r.local, r.grams, r.cage, r.grp, tarvelo.lab_result_home(r) AS home,
          tarvelo.lab_result_object(r) AS counted_for FROM tarvelo.lab_records r
        WHERE tarvelo.lab_result_stands(r)) AS standing
  GROUP BY home, counted_for;
END $$;
DO $$ BEGIN
  IF NOT EXISTS (SELECT FROM tarvelo.lab_objects) THEN
    PERFORM tarvelo.lab_objects_recount();
  END IF;
END $$;

REVOKE ALL ON tarvelo.lab_objects FROM PUBLIC, tarvelo_station, tarvelo_reader;
GRANT SELECT ON tarvelo.lab_objects TO tarvelo_station, tarvelo_reader;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA tarvelo FROM PUBLIC;
GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA tarvelo TO tarvelo_station, tarvelo_reader;
