-- Hardware inventory tables for PostgreSQL.
-- The tables live in schema dbo, which the host puts first on the search
-- path. Names are unquoted and lower case: the component's bracketed names
-- ("[dbo].[CPU]") lose their brackets on this connection and fold to lower
-- case, so they meet these tables.
-- Every table's full key is its primary key: per-PC reads are index seeks.
-- Statements are separated by ";" at the end of a line, and comments hold no ";",
-- so a loader may split the file there.

CREATE SCHEMA IF NOT EXISTS dbo;

CREATE TABLE dbo.bios (
    id INTEGER NOT NULL,
    biosid INTEGER NOT NULL,
    version VARCHAR(255),
    installdate VARCHAR(255),
    assettag VARCHAR(255),
    manufacturer VARCHAR(255),
    systemmod VARCHAR(255),
    systemman VARCHAR(255),
    serialnumber VARCHAR(255),
    PRIMARY KEY (id, biosid)
);

CREATE TABLE dbo.cpu (
    id INTEGER NOT NULL,
    cpuid INTEGER NOT NULL,
    speed INTEGER,
    manufacturer VARCHAR(255),
    name VARCHAR(255),
    PRIMARY KEY (id, cpuid)
);

CREATE TABLE dbo.diskdrive (
    id INTEGER NOT NULL,
    devicetypeid INTEGER NOT NULL,
    diskdriveid INTEGER NOT NULL,
    name VARCHAR(255),
    drive VARCHAR(255),
    capacity DOUBLE PRECISION,
    PRIMARY KEY (id, devicetypeid, diskdriveid)
);

CREATE TABLE dbo.keyboard (
    id INTEGER NOT NULL,
    keyboardid INTEGER NOT NULL,
    name VARCHAR(255),
    PRIMARY KEY (id, keyboardid)
);

CREATE TABLE dbo.logicaldisk (
    id INTEGER NOT NULL,
    logicaldiskid INTEGER NOT NULL,
    devicetypeid INTEGER,
    diskdriveid INTEGER,
    name VARCHAR(255),
    capacity DOUBLE PRECISION,
    freespace DOUBLE PRECISION,
    filesystem VARCHAR(255),
    PRIMARY KEY (id, logicaldiskid)
);

CREATE TABLE dbo.monitor (
    id INTEGER NOT NULL,
    monitorid INTEGER NOT NULL,
    resolution VARCHAR(255),
    refreshrate INTEGER,
    name VARCHAR(255),
    PRIMARY KEY (id, monitorid)
);

CREATE TABLE dbo.motherboard (
    id INTEGER NOT NULL,
    motherboardid INTEGER NOT NULL,
    name VARCHAR(255),
    version VARCHAR(255),
    product VARCHAR(255),
    PRIMARY KEY (id, motherboardid)
);

CREATE TABLE dbo.networkadapter (
    id INTEGER NOT NULL,
    networkadapterid INTEGER NOT NULL,
    name VARCHAR(255),
    macaddress VARCHAR(255),
    ipaddress VARCHAR(24),
    defaultipgateway VARCHAR(255),
    dnsserver VARCHAR(255),
    adaptertype VARCHAR(128),
    ipsubnet VARCHAR(128),
    winsprimaryserver VARCHAR(128),
    dhcpserver VARCHAR(128),
    PRIMARY KEY (id, networkadapterid)
);

CREATE TABLE dbo.networkipaddress (
    id INTEGER NOT NULL,
    networkadapterid INTEGER NOT NULL,
    indexid INTEGER NOT NULL,
    ipaddress VARCHAR(255),
    ipsubnet VARCHAR(255),
    PRIMARY KEY (id, networkadapterid, indexid)
);

CREATE TABLE dbo.peripheraldevice (
    id INTEGER NOT NULL,
    devicetypeid INTEGER NOT NULL,
    deviceid INTEGER NOT NULL,
    name VARCHAR(255),
    PRIMARY KEY (id, devicetypeid, deviceid)
);

CREATE TABLE dbo.physicalmemory (
    id INTEGER NOT NULL,
    physicalmemoryid INTEGER NOT NULL,
    devicelocator VARCHAR(255),
    capacity INTEGER,
    PRIMARY KEY (id, physicalmemoryid)
);

CREATE TABLE dbo.pointingdevice (
    id INTEGER NOT NULL,
    pointingdeviceid INTEGER NOT NULL,
    name VARCHAR(255),
    PRIMARY KEY (id, pointingdeviceid)
);

CREATE TABLE dbo.printer (
    id INTEGER NOT NULL,
    printerid INTEGER NOT NULL,
    name VARCHAR(255),
    portname VARCHAR(255),
    state INTEGER,
    PRIMARY KEY (id, printerid)
);

CREATE TABLE dbo.soundcard (
    id INTEGER NOT NULL,
    soundcardid INTEGER NOT NULL,
    name VARCHAR(255),
    PRIMARY KEY (id, soundcardid)
);

CREATE TABLE dbo.systemoverview (
    id INTEGER NOT NULL,
    osid INTEGER NOT NULL,
    name VARCHAR(255),
    osname VARCHAR(255),
    version VARCHAR(255),
    username VARCHAR(255),
    memory INTEGER,
    servicepack VARCHAR(255),
    serialnumber VARCHAR(255),
    timezone VARCHAR(255),
    organisation VARCHAR(255),
    loggedonuser VARCHAR(255),
    workgroup VARCHAR(255),
    systemlanguage VARCHAR(255),
    directxversion VARCHAR(255),
    systemenclosure VARCHAR(255),
    PRIMARY KEY (id, osid)
);

CREATE TABLE dbo.systemslot (
    id INTEGER NOT NULL,
    systemslotid INTEGER NOT NULL,
    name VARCHAR(255),
    inuse VARCHAR(255),
    PRIMARY KEY (id, systemslotid)
);

CREATE TABLE dbo.videoadapter (
    id INTEGER NOT NULL,
    videoadapterid INTEGER NOT NULL,
    name VARCHAR(255),
    ram INTEGER,
    dactype VARCHAR(255),
    PRIMARY KEY (id, videoadapterid)
);

-- User-defined devices: a device type, its properties, and one value per
-- PC, device, property and instance (IndexID).
CREATE TABLE dbo.additionalhardwaredevice (
    hardwaredeviceid INTEGER NOT NULL,
    name VARCHAR(255),
    multipleallowed INTEGER,
    ownbox INTEGER,
    displayorder INTEGER,
    PRIMARY KEY (hardwaredeviceid)
);

CREATE TABLE dbo.additionalhardwareproperty (
    hardwarepropertyid INTEGER NOT NULL,
    hardwaredeviceid INTEGER NOT NULL,
    name VARCHAR(255),
    doublewidth INTEGER,
    displayorder INTEGER,
    PRIMARY KEY (hardwaredeviceid, hardwarepropertyid)
);

CREATE TABLE dbo.additionalhardware (
    id INTEGER NOT NULL,
    hardwaredeviceid INTEGER NOT NULL,
    hardwarepropertyid INTEGER NOT NULL,
    indexid INTEGER NOT NULL,
    datavalue VARCHAR(255),
    PRIMARY KEY (id, hardwaredeviceid, hardwarepropertyid, indexid)
);

-- Who each PC is: the identity its inventory agent reports, and what a person
-- looks a PC up by. ID is the PC ID of every hardware table. An import
-- matches an inventory by DeviceID, then a real UUID, then SerialNumber with
-- Manufacturer. Empty values are NULL. InventoryTime is ISO 8601 UTC
-- ("2017-06-09T07:00:49Z"); ContentDigest is a SHA-256 of the imported rows.
CREATE TABLE dbo.pcidentity (
    id INTEGER NOT NULL,
    deviceid VARCHAR(255),
    uuid VARCHAR(255),
    hostname VARCHAR(255),
    serialnumber VARCHAR(255),
    manufacturer VARCHAR(255),
    assettag VARCHAR(255),
    inventorytime VARCHAR(32),
    agent VARCHAR(255),
    contentdigest VARCHAR(64),
    PRIMARY KEY (id)
);
CREATE UNIQUE INDEX pcidentity_deviceid ON dbo.pcidentity (deviceid);
CREATE INDEX pcidentity_uuid ON dbo.pcidentity (uuid);
CREATE INDEX pcidentity_serial ON dbo.pcidentity (serialnumber, manufacturer);
CREATE INDEX pcidentity_hostname ON dbo.pcidentity (hostname);
CREATE INDEX pcidentity_assettag ON dbo.pcidentity (assettag);
-- A database that gets this table later (an import adds it) lets hwreader
-- read it too.
DO $$ BEGIN
    IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'hwreader') THEN
        GRANT SELECT ON dbo.pcidentity TO hwreader
    ; END IF
; END $$;

-- The fleet index, derived from the tables above by whatever writes them
-- (init-db, the import): one row per PC as the fleet list shows it, with an
-- index for each column it sorts by. Unknown text is '', unknown memory -1.
CREATE TABLE dbo.pclisting (
    id INTEGER NOT NULL PRIMARY KEY,
    name VARCHAR(255) NOT NULL,
    manufacturer VARCHAR(255) NOT NULL,
    model VARCHAR(255) NOT NULL,
    os VARCHAR(255) NOT NULL,
    cpu VARCHAR(255) NOT NULL,
    memory INTEGER NOT NULL,
    lastinventory VARCHAR(32) NOT NULL
);
CREATE INDEX pclisting_name ON dbo.pclisting (name, id);
CREATE INDEX pclisting_model ON dbo.pclisting (manufacturer, model, id);
CREATE INDEX pclisting_os ON dbo.pclisting (os, id);
CREATE INDEX pclisting_cpu ON dbo.pclisting (cpu, id);
CREATE INDEX pclisting_memory ON dbo.pclisting (memory, id);
CREATE INDEX pclisting_lastinventory ON dbo.pclisting (lastinventory, id);

-- Each PC's searchable values (host name, serial numbers, asset tags, IP and
-- MAC addresses, logged-on user, manufacturer, model, OS), case-folded, one
-- per line.
CREATE TABLE dbo.pcsearch (
    id INTEGER NOT NULL PRIMARY KEY,
    text TEXT NOT NULL
);
-- A trigram index answers LIKE '%text%' without reading every row. It needs
-- the pg_trgm extension (in Debian's postgresql package; trusted, so the
-- database's owner may create it). Where it cannot be had, the search reads
-- the table instead, and the schema loads all the same: each block runs in a
-- subtransaction of its own.
DO $$ BEGIN CREATE EXTENSION IF NOT EXISTS pg_trgm SCHEMA dbo; EXCEPTION WHEN OTHERS THEN RAISE NOTICE 'pg_trgm is not available: the fleet search reads every row'; END $$;
DO $$ DECLARE owner TEXT; BEGIN SELECT n.nspname INTO owner FROM pg_extension e JOIN pg_namespace n ON n.oid = e.extnamespace WHERE e.extname = 'pg_trgm'; IF owner IS NOT NULL THEN EXECUTE format('CREATE INDEX pcsearch_text ON dbo.pcsearch USING gin (text %I.gin_trgm_ops)', owner); END IF; END $$;
-- hwreader reads these too, also where an import adds them later.
DO $$ BEGIN
    IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'hwreader') THEN
        GRANT SELECT ON dbo.pclisting, dbo.pcsearch TO hwreader
    ; END IF
; END $$;

-- Statements that users write (hwconsole query) run as a role that can read
-- the tables of dbo and nothing else: hwreader. Loading this file creates it
-- when the loading role may create roles, and grants it reading either way.
-- To use it, give it a login (ALTER ROLE hwreader LOGIN PASSWORD '...'), or
-- make a login role that is a member of hwreader and nothing else.
-- (Inside the block, semicolons start lines: a loader splits the file at a
-- semicolon that ends one.)
DO $$ BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'hwreader') AND EXISTS (
        SELECT FROM pg_roles WHERE rolname = current_user AND (rolsuper OR rolcreaterole))
    THEN CREATE ROLE hwreader NOLOGIN
    ; END IF
    ; IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'hwreader') THEN
        GRANT USAGE ON SCHEMA dbo TO hwreader
        ; GRANT SELECT ON ALL TABLES IN SCHEMA dbo TO hwreader
    ; END IF
; END $$;
