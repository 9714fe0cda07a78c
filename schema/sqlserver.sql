-- Hardware inventory tables for SQL Server (T-SQL), owned by dbo.
-- Every table's full key is its clustered primary key: per-PC reads are
-- index seeks.

CREATE TABLE [dbo].[BIOS] (
    [ID] INT NOT NULL,
    [BIOSID] INT NOT NULL,
    [Version] VARCHAR(255) NULL,
    [InstallDate] VARCHAR(255) NULL,
    [AssetTag] VARCHAR(255) NULL,
    [Manufacturer] VARCHAR(255) NULL,
    [SystemMod] VARCHAR(255) NULL,
    [SystemMan] VARCHAR(255) NULL,
    [SerialNumber] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [BIOSID])
);
GO

CREATE TABLE [dbo].[CPU] (
    [ID] INT NOT NULL,
    [CPUID] INT NOT NULL,
    [Speed] INT NULL,
    [Manufacturer] VARCHAR(255) NULL,
    [Name] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [CPUID])
);
GO

CREATE TABLE [dbo].[DiskDrive] (
    [ID] INT NOT NULL,
    [DeviceTypeID] INT NOT NULL,
    [DiskDriveID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [Drive] VARCHAR(255) NULL,
    [Capacity] FLOAT NULL,
    PRIMARY KEY CLUSTERED ([ID], [DeviceTypeID], [DiskDriveID])
);
GO

CREATE TABLE [dbo].[Keyboard] (
    [ID] INT NOT NULL,
    [KeyboardID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [KeyboardID])
);
GO

CREATE TABLE [dbo].[LogicalDisk] (
    [ID] INT NOT NULL,
    [LogicalDiskID] INT NOT NULL,
    [DeviceTypeID] INT NULL,
    [DiskDriveID] INT NULL,
    [Name] VARCHAR(255) NULL,
    [Capacity] FLOAT NULL,
    [FreeSpace] FLOAT NULL,
    [FileSystem] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [LogicalDiskID])
);
GO

CREATE TABLE [dbo].[Monitor] (
    [ID] INT NOT NULL,
    [MonitorID] INT NOT NULL,
    [Resolution] VARCHAR(255) NULL,
    [RefreshRate] INT NULL,
    [Name] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [MonitorID])
);
GO

CREATE TABLE [dbo].[MotherBoard] (
    [ID] INT NOT NULL,
    [MotherBoardID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [Version] VARCHAR(255) NULL,
    [Product] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [MotherBoardID])
);
GO

CREATE TABLE [dbo].[NetworkAdapter] (
    [ID] INT NOT NULL,
    [NetworkAdapterID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [MacAddress] VARCHAR(255) NULL,
    [IPAddress] VARCHAR(24) NULL,
    [DefaultIPGateway] VARCHAR(255) NULL,
    [DNSServer] VARCHAR(255) NULL,
    [AdapterType] VARCHAR(128) NULL,
    [IPSubnet] VARCHAR(128) NULL,
    [WINSPrimaryServer] VARCHAR(128) NULL,
    [DHCPServer] VARCHAR(128) NULL,
    PRIMARY KEY CLUSTERED ([ID], [NetworkAdapterID])
);
GO

CREATE TABLE [dbo].[NetworkIPAddress] (
    [ID] INT NOT NULL,
    [NetworkAdapterID] INT NOT NULL,
    [IndexID] INT NOT NULL,
    [IPAddress] VARCHAR(255) NULL,
    [IPSubnet] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [NetworkAdapterID], [IndexID])
);
GO

CREATE TABLE [dbo].[PeripheralDevice] (
    [ID] INT NOT NULL,
    [DeviceTypeID] INT NOT NULL,
    [DeviceID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [DeviceTypeID], [DeviceID])
);
GO

CREATE TABLE [dbo].[PhysicalMemory] (
    [ID] INT NOT NULL,
    [PhysicalmemoryID] INT NOT NULL,
    [DeviceLocator] VARCHAR(255) NULL,
    [Capacity] INT NULL,
    PRIMARY KEY CLUSTERED ([ID], [PhysicalmemoryID])
);
GO

CREATE TABLE [dbo].[PointingDevice] (
    [ID] INT NOT NULL,
    [PointingDeviceID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [PointingDeviceID])
);
GO

CREATE TABLE [dbo].[Printer] (
    [ID] INT NOT NULL,
    [PrinterID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [PortName] VARCHAR(255) NULL,
    [State] INT NULL,
    PRIMARY KEY CLUSTERED ([ID], [PrinterID])
);
GO

CREATE TABLE [dbo].[SoundCard] (
    [ID] INT NOT NULL,
    [SoundCardID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [SoundCardID])
);
GO

CREATE TABLE [dbo].[SystemOverview] (
    [ID] INT NOT NULL,
    [OSID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [OSName] VARCHAR(255) NULL,
    [Version] VARCHAR(255) NULL,
    [UserName] VARCHAR(255) NULL,
    [Memory] INT NULL,
    [ServicePack] VARCHAR(255) NULL,
    [SerialNumber] VARCHAR(255) NULL,
    [TimeZone] VARCHAR(255) NULL,
    [Organisation] VARCHAR(255) NULL,
    [LoggedOnUser] VARCHAR(255) NULL,
    [WorkGroup] VARCHAR(255) NULL,
    [SystemLanguage] VARCHAR(255) NULL,
    [DirectXVersion] VARCHAR(255) NULL,
    [SystemEnclosure] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [OSID])
);
GO

CREATE TABLE [dbo].[SystemSlot] (
    [ID] INT NOT NULL,
    [SystemSlotID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [InUse] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [SystemSlotID])
);
GO

CREATE TABLE [dbo].[VideoAdapter] (
    [ID] INT NOT NULL,
    [VideoAdapterID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [RAM] INT NULL,
    [DACType] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [VideoAdapterID])
);
GO

-- User-defined devices: a device type, its properties, and one value per
-- PC, device, property and instance (IndexID).
CREATE TABLE [dbo].[AdditionalHardwareDevice] (
    [HardwareDeviceID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [MultipleAllowed] INT NULL,
    [OwnBox] INT NULL,
    [DisplayOrder] INT NULL,
    PRIMARY KEY CLUSTERED ([HardwareDeviceID])
);
GO

CREATE TABLE [dbo].[AdditionalHardwareProperty] (
    [HardwarePropertyID] INT NOT NULL,
    [HardwareDeviceID] INT NOT NULL,
    [Name] VARCHAR(255) NULL,
    [DoubleWidth] INT NULL,
    [DisplayOrder] INT NULL,
    PRIMARY KEY CLUSTERED ([HardwareDeviceID], [HardwarePropertyID])
);
GO

CREATE TABLE [dbo].[AdditionalHardware] (
    [ID] INT NOT NULL,
    [HardwareDeviceID] INT NOT NULL,
    [HardwarePropertyID] INT NOT NULL,
    [IndexID] INT NOT NULL,
    [DataValue] VARCHAR(255) NULL,
    PRIMARY KEY CLUSTERED ([ID], [HardwareDeviceID], [HardwarePropertyID], [IndexID])
);
GO

-- Who each PC is: the identity its inventory agent reports, and what a person
-- looks a PC up by. ID is the PC ID of every hardware table. An import
-- matches an inventory by DeviceID, then a real UUID, then SerialNumber with
-- Manufacturer. Empty values are NULL (so the unique device id index filters
-- them out). InventoryTime is ISO 8601 UTC ("2017-06-09T07:00:49Z");
-- ContentDigest is a SHA-256 of the imported rows.
CREATE TABLE [dbo].[PCIdentity] (
    [ID] INT NOT NULL,
    [DeviceID] VARCHAR(255) NULL,
    [UUID] VARCHAR(255) NULL,
    [HostName] VARCHAR(255) NULL,
    [SerialNumber] VARCHAR(255) NULL,
    [Manufacturer] VARCHAR(255) NULL,
    [AssetTag] VARCHAR(255) NULL,
    [InventoryTime] VARCHAR(32) NULL,
    [Agent] VARCHAR(255) NULL,
    [ContentDigest] VARCHAR(64) NULL,
    PRIMARY KEY CLUSTERED ([ID])
);
GO

CREATE UNIQUE INDEX [PCIdentity_DeviceID] ON [dbo].[PCIdentity] ([DeviceID])
    WHERE [DeviceID] IS NOT NULL;
GO
CREATE INDEX [PCIdentity_UUID] ON [dbo].[PCIdentity] ([UUID]);
GO
CREATE INDEX [PCIdentity_Serial] ON [dbo].[PCIdentity] ([SerialNumber], [Manufacturer]);
GO
CREATE INDEX [PCIdentity_HostName] ON [dbo].[PCIdentity] ([HostName]);
GO
CREATE INDEX [PCIdentity_AssetTag] ON [dbo].[PCIdentity] ([AssetTag]);
GO

-- The fleet index, derived from the tables above by whatever writes them:
-- one row per PC as the fleet list shows it, with an index for each column
-- it sorts by, and each PC's case-folded searchable values (read by a scan
-- here: no trigram index).
CREATE TABLE [dbo].[PCListing] (
    [ID] INT NOT NULL PRIMARY KEY CLUSTERED,
    [Name] VARCHAR(255) NOT NULL,
    [Manufacturer] VARCHAR(255) NOT NULL,
    [Model] VARCHAR(255) NOT NULL,
    [OS] VARCHAR(255) NOT NULL,
    [CPU] VARCHAR(255) NOT NULL,
    [Memory] INT NOT NULL,
    [LastInventory] VARCHAR(32) NOT NULL
);
GO
CREATE INDEX [PCListing_Name] ON [dbo].[PCListing] ([Name], [ID]);
CREATE INDEX [PCListing_Model] ON [dbo].[PCListing] ([Manufacturer], [Model], [ID]);
CREATE INDEX [PCListing_OS] ON [dbo].[PCListing] ([OS], [ID]);
CREATE INDEX [PCListing_CPU] ON [dbo].[PCListing] ([CPU], [ID]);
CREATE INDEX [PCListing_Memory] ON [dbo].[PCListing] ([Memory], [ID]);
CREATE INDEX [PCListing_LastInventory] ON [dbo].[PCListing] ([LastInventory], [ID]);
GO

CREATE TABLE [dbo].[PCSearch] (
    [ID] INT NOT NULL PRIMARY KEY CLUSTERED,
    [Text] NVARCHAR(MAX) NOT NULL
);
GO
