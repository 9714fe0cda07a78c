-- Hardware inventory tables for the embedded SQLite database.
-- The host attaches this database file under the name "dbo" right after
-- connecting, so the component's "[dbo].[CPU]" resolves to the plain CPU table.
-- Every table's full key is its primary key: per-PC reads are index seeks.
-- Statements are separated by ";" at the end of a line, and comments hold no ";",
-- so a loader may split the file there.

CREATE TABLE BIOS (
    ID INTEGER NOT NULL,
    BIOSID INTEGER NOT NULL,
    Version VARCHAR(255),
    InstallDate VARCHAR(255),
    AssetTag VARCHAR(255),
    Manufacturer VARCHAR(255),
    SystemMod VARCHAR(255),
    SystemMan VARCHAR(255),
    SerialNumber VARCHAR(255),
    PRIMARY KEY (ID, BIOSID)
);

CREATE TABLE CPU (
    ID INTEGER NOT NULL,
    CPUID INTEGER NOT NULL,
    Speed INTEGER,
    Manufacturer VARCHAR(255),
    Name VARCHAR(255),
    PRIMARY KEY (ID, CPUID)
);

CREATE TABLE DiskDrive (
    ID INTEGER NOT NULL,
    DeviceTypeID INTEGER NOT NULL,
    DiskDriveID INTEGER NOT NULL,
    Name VARCHAR(255),
    Drive VARCHAR(255),
    Capacity REAL,
    PRIMARY KEY (ID, DeviceTypeID, DiskDriveID)
);

CREATE TABLE Keyboard (
    ID INTEGER NOT NULL,
    KeyboardID INTEGER NOT NULL,
    Name VARCHAR(255),
    PRIMARY KEY (ID, KeyboardID)
);

CREATE TABLE LogicalDisk (
    ID INTEGER NOT NULL,
    LogicalDiskID INTEGER NOT NULL,
    DeviceTypeID INTEGER,
    DiskDriveID INTEGER,
    Name VARCHAR(255),
    Capacity REAL,
    FreeSpace REAL,
    FileSystem VARCHAR(255),
    PRIMARY KEY (ID, LogicalDiskID)
);

CREATE TABLE Monitor (
    ID INTEGER NOT NULL,
    MonitorID INTEGER NOT NULL,
    Resolution VARCHAR(255),
    RefreshRate INTEGER,
    Name VARCHAR(255),
    PRIMARY KEY (ID, MonitorID)
);

CREATE TABLE MotherBoard (
    ID INTEGER NOT NULL,
    MotherBoardID INTEGER NOT NULL,
    Name VARCHAR(255),
    Version VARCHAR(255),
    Product VARCHAR(255),
    PRIMARY KEY (ID, MotherBoardID)
);

CREATE TABLE NetworkAdapter (
    ID INTEGER NOT NULL,
    NetworkAdapterID INTEGER NOT NULL,
    Name VARCHAR(255),
    MacAddress VARCHAR(255),
    IPAddress VARCHAR(24),
    DefaultIPGateway VARCHAR(255),
    DNSServer VARCHAR(255),
    AdapterType VARCHAR(128),
    IPSubnet VARCHAR(128),
    WINSPrimaryServer VARCHAR(128),
    DHCPServer VARCHAR(128),
    PRIMARY KEY (ID, NetworkAdapterID)
);

CREATE TABLE NetworkIPAddress (
    ID INTEGER NOT NULL,
    NetworkAdapterID INTEGER NOT NULL,
    IndexID INTEGER NOT NULL,
    IPAddress VARCHAR(255),
    IPSubnet VARCHAR(255),
    PRIMARY KEY (ID, NetworkAdapterID, IndexID)
);

CREATE TABLE PeripheralDevice (
    ID INTEGER NOT NULL,
    DeviceTypeID INTEGER NOT NULL,
    DeviceID INTEGER NOT NULL,
    Name VARCHAR(255),
    PRIMARY KEY (ID, DeviceTypeID, DeviceID)
);

CREATE TABLE PhysicalMemory (
    ID INTEGER NOT NULL,
    PhysicalmemoryID INTEGER NOT NULL,
    DeviceLocator VARCHAR(255),
    Capacity INTEGER,
    PRIMARY KEY (ID, PhysicalmemoryID)
);

CREATE TABLE PointingDevice (
    ID INTEGER NOT NULL,
    PointingDeviceID INTEGER NOT NULL,
    Name VARCHAR(255),
    PRIMARY KEY (ID, PointingDeviceID)
);

CREATE TABLE Printer (
    ID INTEGER NOT NULL,
    PrinterID INTEGER NOT NULL,
    Name VARCHAR(255),
    PortName VARCHAR(255),
    State INTEGER,
    PRIMARY KEY (ID, PrinterID)
);

CREATE TABLE SoundCard (
    ID INTEGER NOT NULL,
    SoundCardID INTEGER NOT NULL,
    Name VARCHAR(255),
    PRIMARY KEY (ID, SoundCardID)
);

CREATE TABLE SystemOverview (
    ID INTEGER NOT NULL,
    OSID INTEGER NOT NULL,
    Name VARCHAR(255),
    OSName VARCHAR(255),
    Version VARCHAR(255),
    UserName VARCHAR(255),
    Memory INTEGER,
    ServicePack VARCHAR(255),
    SerialNumber VARCHAR(255),
    TimeZone VARCHAR(255),
    Organisation VARCHAR(255),
    LoggedOnUser VARCHAR(255),
    WorkGroup VARCHAR(255),
    SystemLanguage VARCHAR(255),
    DirectXVersion VARCHAR(255),
    SystemEnclosure VARCHAR(255),
    PRIMARY KEY (ID, OSID)
);

CREATE TABLE SystemSlot (
    ID INTEGER NOT NULL,
    SystemSlotID INTEGER NOT NULL,
    Name VARCHAR(255),
    InUse VARCHAR(255),
    PRIMARY KEY (ID, SystemSlotID)
);

CREATE TABLE VideoAdapter (
    ID INTEGER NOT NULL,
    VideoAdapterID INTEGER NOT NULL,
    Name VARCHAR(255),
    RAM INTEGER,
    DACType VARCHAR(255),
    PRIMARY KEY (ID, VideoAdapterID)
);

-- User-defined devices: a device type, its properties, and one value per
-- PC, device, property and instance (IndexID).
CREATE TABLE AdditionalHardwareDevice (
    HardwareDeviceID INTEGER NOT NULL,
    Name VARCHAR(255),
    MultipleAllowed INTEGER,
    OwnBox INTEGER,
    DisplayOrder INTEGER,
    PRIMARY KEY (HardwareDeviceID)
);

CREATE TABLE AdditionalHardwareProperty (
    HardwarePropertyID INTEGER NOT NULL,
    HardwareDeviceID INTEGER NOT NULL,
    Name VARCHAR(255),
    DoubleWidth INTEGER,
    DisplayOrder INTEGER,
    PRIMARY KEY (HardwareDeviceID, HardwarePropertyID)
);

CREATE TABLE AdditionalHardware (
    ID INTEGER NOT NULL,
    HardwareDeviceID INTEGER NOT NULL,
    HardwarePropertyID INTEGER NOT NULL,
    IndexID INTEGER NOT NULL,
    DataValue VARCHAR(255),
    PRIMARY KEY (ID, HardwareDeviceID, HardwarePropertyID, IndexID)
);

-- Who each PC is: the identity its inventory agent reports, and what a person
-- looks a PC up by. ID is the PC ID of every hardware table. An import
-- matches an inventory by DeviceID, then a real UUID, then SerialNumber with
-- Manufacturer. Empty values are NULL. InventoryTime is ISO 8601 UTC
-- ("2017-06-09T07:00:49Z"); ContentDigest is a SHA-256 of the imported rows.
CREATE TABLE PCIdentity (
    ID INTEGER NOT NULL,
    DeviceID VARCHAR(255),
    UUID VARCHAR(255),
    HostName VARCHAR(255),
    SerialNumber VARCHAR(255),
    Manufacturer VARCHAR(255),
    AssetTag VARCHAR(255),
    InventoryTime VARCHAR(32),
    Agent VARCHAR(255),
    ContentDigest VARCHAR(64),
    PRIMARY KEY (ID)
);
CREATE UNIQUE INDEX PCIdentity_DeviceID ON PCIdentity (DeviceID);
CREATE INDEX PCIdentity_UUID ON PCIdentity (UUID);
CREATE INDEX PCIdentity_Serial ON PCIdentity (SerialNumber, Manufacturer);
CREATE INDEX PCIdentity_HostName ON PCIdentity (HostName);
CREATE INDEX PCIdentity_AssetTag ON PCIdentity (AssetTag);

-- The fleet index, derived from the tables above by whatever writes them
-- (init-db, the import): one row per PC as the fleet list shows it, with an
-- index for each column it sorts by. Unknown text is '', unknown memory -1.
CREATE TABLE PCListing (
    ID INTEGER NOT NULL PRIMARY KEY,
    Name VARCHAR(255) NOT NULL COLLATE NOCASE,
    Manufacturer VARCHAR(255) NOT NULL COLLATE NOCASE,
    Model VARCHAR(255) NOT NULL COLLATE NOCASE,
    OS VARCHAR(255) NOT NULL COLLATE NOCASE,
    CPU VARCHAR(255) NOT NULL COLLATE NOCASE,
    Memory INTEGER NOT NULL,
    LastInventory VARCHAR(32) NOT NULL
);
CREATE INDEX PCListing_Name ON PCListing (Name, ID);
CREATE INDEX PCListing_Model ON PCListing (Manufacturer, Model, ID);
CREATE INDEX PCListing_OS ON PCListing (OS, ID);
CREATE INDEX PCListing_CPU ON PCListing (CPU, ID);
CREATE INDEX PCListing_Memory ON PCListing (Memory, ID);
CREATE INDEX PCListing_LastInventory ON PCListing (LastInventory, ID);

-- Each PC's searchable values (host name, serial numbers, asset tags, IP and
-- MAC addresses, logged-on user, manufacturer, model, OS), case-folded, one
-- per line; the rowid is the PC's ID. The trigram tokenizer answers
-- LIKE '%text%' for three or more characters from its index.
CREATE VIRTUAL TABLE PCSearch USING fts5(ID UNINDEXED, Text, tokenize = 'trigram');
