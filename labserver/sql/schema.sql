-- The lab's journal: every station's records, each kept only when its login is that
-- station's, it continues the station's chain and its hash proves its fields. Everything
-- lives in the schema tarvelo and belongs to tarvelo_owner, a role nobody logs in as;
-- stations may only add their own records and read, readers may only read. Run by a
-- superuser in one transaction; run again it changes nothing, and a journal made before
-- in the schema public moves here whole.

DO $$ BEGIN
  IF pg_catalog.current_setting('server_encoding') <> 'UTF8' THEN
    RAISE EXCEPTION 'the lab journal needs a database in UTF8, not %', pg_catalog.current_setting('server_encoding');
  END IF;
  IF NOT EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = 'tarvelo_owner') THEN
    CREATE ROLE tarvelo_owner NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = 'tarvelo_station') THEN
    CREATE ROLE tarvelo_station NOLOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = 'tarvelo_reader') THEN
    CREATE ROLE tarvelo_reader NOLOGIN;
  END IF;
  -- Nobody but the owner makes objects here: no table of a station's own can shadow ours.
  EXECUTE pg_catalog.format('REVOKE TEMPORARY ON DATABASE %I FROM PUBLIC', pg_catalog.current_database());
END $$;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;

CREATE SCHEMA IF NOT EXISTS tarvelo AUTHORIZATION tarvelo_owner;
ALTER SCHEMA tarvelo OWNER TO tarvelo_owner;
REVOKE ALL ON SCHEMA tarvelo FROM PUBLIC;
GRANT USAGE ON SCHEMA tarvelo TO tarvelo_station, tarvelo_reader;

-- A journal made before, in public, with functions that read whatever search_path found.
DO $$
DECLARE
  f pg_catalog.regprocedure;
BEGIN
  IF pg_catalog.to_regclass('public.lab_records') IS NOT NULL AND pg_catalog.to_regclass('tarvelo.lab_records') IS NULL THEN
    ALTER TABLE public.lab_records SET SCHEMA tarvelo;
  END IF;
  IF pg_catalog.to_regclass('public.lab_objects') IS NOT NULL AND pg_catalog.to_regclass('tarvelo.lab_objects') IS NULL THEN
    ALTER TABLE public.lab_objects SET SCHEMA tarvelo;
  END IF;
  FOR f IN SELECT p.oid::pg_catalog.regprocedure FROM pg_catalog.pg_proc p
      WHERE p.pronamespace = 'public'::pg_catalog.regnamespace AND p.proname LIKE 'lab\_%' LOOP
    EXECUTE pg_catalog.format('DROP FUNCTION %s CASCADE', f);
  END LOOP;
  IF pg_catalog.to_regclass('tarvelo.lab_records') IS NOT NULL THEN
    ALTER TABLE tarvelo.lab_records OWNER TO tarvelo_owner;
  END IF;
  IF pg_catalog.to_regclass('tarvelo.lab_objects') IS NOT NULL THEN
    ALTER TABLE tarvelo.lab_objects OWNER TO tarvelo_owner;
  END IF;
END $$;

-- From here on every object made is the owner's.
SET LOCAL ROLE tarvelo_owner;
SET LOCAL search_path = pg_catalog, tarvelo, pg_temp;

CREATE TABLE IF NOT EXISTS tarvelo.lab_records (
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
-- What the colony keeps of an animal, hashed from the fourth form on; a journal made
-- before them gains them empty.
ALTER TABLE tarvelo.lab_records ADD COLUMN IF NOT EXISTS strain text NOT NULL DEFAULT '',
  ADD COLUMN IF NOT EXISTS genotype text NOT NULL DEFAULT '',
  ADD COLUMN IF NOT EXISTS study text NOT NULL DEFAULT '',
  ADD COLUMN IF NOT EXISTS ear_mark text NOT NULL DEFAULT '';
-- Text of any length is a key here: hash indexes, never a B-tree's size limit on a record.
DROP INDEX IF EXISTS tarvelo.lab_records_by_animal;
CREATE INDEX IF NOT EXISTS lab_records_by_animal_number ON tarvelo.lab_records USING hash (animal) WHERE animal <> '';
-- The removals, renames and references that name a station's result.
CREATE INDEX IF NOT EXISTS lab_records_by_subject ON tarvelo.lab_records (station, subject, id) WHERE subject <> 0;
-- The entries of the lab's list of animals, in the order they came.
CREATE INDEX IF NOT EXISTS lab_records_list ON tarvelo.lab_records (arrived) WHERE kind IN ('animal', 'animal-gone');
-- Each station's journal by its first record: one journal is one station.
CREATE INDEX IF NOT EXISTS lab_records_first ON tarvelo.lab_records (hash) WHERE id = 1;

-- Which station each login adds records for; set by the lab's administrator.
CREATE TABLE IF NOT EXISTS tarvelo.lab_stations (
  login name PRIMARY KEY,
  station text NOT NULL,
  added timestamptz NOT NULL DEFAULT now(),
  removed timestamptz  -- from then on the login adds nothing
);
CREATE UNIQUE INDEX IF NOT EXISTS lab_stations_by_name ON tarvelo.lab_stations (station) WHERE removed IS NULL;

-- These two are called by lab_record_hash, which fixes their path and number format.
-- Grams as the station writes them: the shortest digits that read back as the same number,
-- fixed or with an exponent, whichever is shorter (fixed on a tie).
CREATE OR REPLACE FUNCTION tarvelo.lab_grams_text(grams double precision) RETURNS text LANGUAGE plpgsql IMMUTABLE AS $$
DECLARE
  shortest text;
  sign text := '';
  mantissa text;
  fraction text;
  digits text;
  exponent integer;  -- the value is digits times ten to this
  places integer;
  fixed text;
  scientific text;
  shown integer;
  magnitude double precision;
  halvings integer;
  kExact CONSTANT double precision := 9007199254740992;  -- 2^53
BEGIN
  IF grams IS NULL THEN
    RETURN '';
  ELSIF grams = 'NaN'::float8 THEN
    RETURN 'nan';
  ELSIF grams = 'Infinity'::float8 THEN
    RETURN 'inf';
  ELSIF grams = '-Infinity'::float8 THEN
    RETURN '-inf';
  END IF;
  -- The server's shortest text: [-]digits[.digits][e±digits].
  shortest := grams::text;
  IF left(shortest, 1) = '-' THEN
    sign := '-';
    shortest := substr(shortest, 2);
  END IF;
  mantissa := split_part(shortest, 'e', 1);
  fraction := split_part(mantissa, '.', 2);
  digits := ltrim(split_part(mantissa, '.', 1) || fraction, '0');
  exponent := coalesce(nullif(split_part(shortest, 'e', 2), '')::integer, 0) - length(fraction);
  IF digits = '' THEN
    RETURN sign || '0';
  END IF;
  places := length(digits) - length(rtrim(digits, '0'));
  digits := rtrim(digits, '0');
  exponent := exponent + places;
  IF exponent >= 0 THEN
    fixed := digits || repeat('0', exponent);
  ELSIF -exponent < length(digits) THEN
    fixed := left(digits, length(digits) + exponent) || '.' || right(digits, -exponent);
  ELSE
    fixed := '0.' || repeat('0', -exponent - length(digits)) || digits;
  END IF;
  shown := exponent + length(digits) - 1;
  scientific := left(digits, 1) || CASE WHEN length(digits) > 1 THEN '.' || substr(digits, 2) ELSE '' END
    || 'e' || CASE WHEN shown < 0 THEN '-' ELSE '+' END || lpad(abs(shown)::text, 2, '0');
  IF length(scientific) < length(fixed) THEN
    RETURN sign || scientific;
  END IF;
  -- Whole numbers past 2^53 are written with every digit of their exact value, as the
  -- station does; the halvings are exact.
  IF abs(grams) >= kExact THEN
    magnitude := abs(grams);
    halvings := 0;
    WHILE magnitude >= kExact LOOP
      magnitude := magnitude / 2;
      halvings := halvings + 1;
    END LOOP;
    fixed := trunc(magnitude::bigint::numeric * power(2::numeric, halvings))::text;
  END IF;
  RETURN sign || fixed;
END $$;

-- The text a record's hash covers, in the record's form: each field as name, length in
-- bytes and value; the first form without its id and form, the first two without the
-- animal's fields, the first three without the colony's.
CREATE OR REPLACE FUNCTION tarvelo.lab_record_text(r tarvelo.lab_records) RETURNS text LANGUAGE plpgsql IMMUTABLE AS $$
DECLARE
  grams text := tarvelo.lab_grams_text(r.grams);
  form text := '';
  animal text := '';
  colony text := '';
BEGIN
  IF r.chain <> 1 THEN
    form := format(E'chain:%s:%s\nid:%s:%s\n', octet_length(r.chain::text), r.chain, octet_length(r.id::text), r.id);
  END IF;
  IF r.chain >= 3 THEN
    animal := format(E'animal:%s:%s\ncage:%s:%s\ngroup:%s:%s\nsex:%s:%s\nborn:%s:%s\nnote:%s:%s\n',
      octet_length(r.animal), r.animal, octet_length(r.cage), r.cage, octet_length(r.grp), r.grp,
      octet_length(r.sex), r.sex, octet_length(r.born), r.born, octet_length(r.note), r.note);
  END IF;
  IF r.chain >= 4 THEN
    colony := format(E'strain:%s:%s\ngenotype:%s:%s\nstudy:%s:%s\near_mark:%s:%s\n',
      octet_length(r.strain), r.strain, octet_length(r.genotype), r.genotype, octet_length(r.study), r.study,
      octet_length(r.ear_mark), r.ear_mark);
  END IF;
  RETURN form || format(E'kind:%s:%s\nutc:%s:%s\nlocal:%s:%s\nperson:%s:%s\nprotocol:%s:%s\nobject:%s:%s\n'
      'mass:%s:%s\ngrams:%s:%s\ndeviation:%s:%s\nunit:%s:%s\ncount:%s:%s\ntrace:%s:%s\nbalance:%s:%s\n'
      'subject:%s:%s\n',
    octet_length(r.kind), r.kind, octet_length(r.utc), r.utc, octet_length(r.local), r.local,
    octet_length(r.person), r.person, octet_length(r.protocol), r.protocol, octet_length(r.object), r.object,
    octet_length(r.mass), r.mass, octet_length(grams), grams, octet_length(r.deviation), r.deviation,
    octet_length(r.unit), r.unit, octet_length(r.count::text), r.count, octet_length(r.trace), r.trace,
    octet_length(r.balance), r.balance, octet_length(r.subject::text), r.subject) || animal || colony;
END $$;

-- The hash the record's fields give after its previous record's hash. Numbers are written
-- with their shortest exact digits (extra_float_digits above 0), whatever the session says.
CREATE OR REPLACE FUNCTION tarvelo.lab_record_hash(r tarvelo.lab_records) RETURNS text LANGUAGE plpgsql IMMUTABLE
SET search_path = pg_catalog, pg_temp
SET extra_float_digits = 1 AS $$
BEGIN
  RETURN encode(sha256(convert_to(r.previous || tarvelo.lab_record_text(r), 'UTF8')), 'hex');
END $$;

-- A record is kept only when the login adds records for its station, its hash proves its
-- fields, and it continues its station's chain: the next number, after the station's last
-- hash. The same record again is passed over; another record of a number the server holds
-- is refused, naming that number; a journal the server holds as another station's is
-- refused, naming that station.
CREATE OR REPLACE FUNCTION tarvelo.lab_record_continues_chain() RETURNS trigger LANGUAGE plpgsql
SET search_path = pg_catalog, tarvelo, pg_temp AS $$
DECLARE
  held text;
  other text;
  last_id bigint;
  last_hash text;
BEGIN
  IF NOT EXISTS (SELECT FROM tarvelo.lab_stations s
      WHERE s.login = session_user AND s.station = NEW.station AND s.removed IS NULL) THEN
    RAISE EXCEPTION 'login % adds no records of station %', session_user, NEW.station
      USING ERRCODE = 'TV002', DETAIL = NEW.id::text;
  END IF;
  SELECT r.hash INTO held FROM tarvelo.lab_records r WHERE r.station = NEW.station AND r.id = NEW.id;
  IF FOUND THEN
    IF held = NEW.hash THEN
      RETURN NULL;
    END IF;
    RAISE EXCEPTION 'record % of station % differs from the one the server holds', NEW.id, NEW.station
      USING ERRCODE = 'TV001', DETAIL = NEW.id::text;
  END IF;
  IF NEW.hash IS DISTINCT FROM tarvelo.lab_record_hash(NEW) THEN
    RAISE EXCEPTION 'record % of station %: its hash does not prove its fields', NEW.id, NEW.station
      USING ERRCODE = 'TV003', DETAIL = NEW.id::text;
  END IF;
  IF NEW.id = 1 THEN
    SELECT r.station INTO other FROM tarvelo.lab_records r WHERE r.id = 1 AND r.hash = NEW.hash LIMIT 1;
    IF FOUND THEN
      RAISE EXCEPTION 'this journal is held as station %', other USING ERRCODE = 'TV004', DETAIL = other;
    END IF;
  END IF;
  SELECT r.id, r.hash INTO last_id, last_hash FROM tarvelo.lab_records r
    WHERE r.station = NEW.station ORDER BY r.id DESC LIMIT 1;
  IF NEW.id <> coalesce(last_id, 0) + 1 OR NEW.previous <> coalesce(last_hash, '') THEN
    RAISE EXCEPTION 'record % of station % does not continue its chain', NEW.id, NEW.station
      USING ERRCODE = 'TV001', DETAIL = least(NEW.id, coalesce(last_id, 0) + 1)::text;
  END IF;
  RETURN NEW;
END $$;

CREATE OR REPLACE FUNCTION tarvelo.lab_record_is_kept() RETURNS trigger LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp AS $$
BEGIN
  RAISE EXCEPTION 'lab journal records are never changed or deleted';
END $$;

DROP TRIGGER IF EXISTS lab_records_chain ON tarvelo.lab_records;
CREATE TRIGGER lab_records_chain BEFORE INSERT ON tarvelo.lab_records
  FOR EACH ROW EXECUTE FUNCTION tarvelo.lab_record_continues_chain();
DROP TRIGGER IF EXISTS lab_records_kept ON tarvelo.lab_records;
CREATE TRIGGER lab_records_kept BEFORE UPDATE OR DELETE ON tarvelo.lab_records
  FOR EACH ROW EXECUTE FUNCTION tarvelo.lab_record_is_kept();
DROP TRIGGER IF EXISTS lab_records_not_emptied ON tarvelo.lab_records;
CREATE TRIGGER lab_records_not_emptied BEFORE TRUNCATE ON tarvelo.lab_records
  FOR EACH STATEMENT EXECUTE FUNCTION tarvelo.lab_record_is_kept();

-- A station adds the columns it sends; the server's own (received, arrived) are the server's.
REVOKE ALL ON tarvelo.lab_records, tarvelo.lab_stations FROM PUBLIC, tarvelo_station, tarvelo_reader;
GRANT SELECT ON tarvelo.lab_records, tarvelo.lab_stations TO tarvelo_station, tarvelo_reader;
GRANT INSERT (station, id, previous, hash, kind, utc, local, person, protocol, object, mass, grams, deviation, unit,
  count, trace, balance, subject, chain, animal, cage, grp, sex, born, note, strain, genotype, study, ear_mark)
  ON tarvelo.lab_records TO tarvelo_station;
