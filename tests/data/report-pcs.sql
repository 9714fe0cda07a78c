-- Hand-written PCs for the report tests. Rows are inserted in key order so
-- that every database returns them in the same order.
-- PC 1 has no rows at all.

-- PC 2: a full desktop.
INSERT INTO SystemOverview VALUES (2, 0, 'WS-0002', 'Debian GNU/Linux 12', '12.5', 'Zoë Müller', 16384, 'SP1', 'SN-0002', 'UTC+01:00', 'R&D <Lab> "Ü"', 'zoe', 'WORKGROUP', 'en-GB', '12.0', 'Desktop');
INSERT INTO BIOS VALUES (2, 0, '1.2.3', '2024-01-05', 'AT-0002', 'Acme BIOS', 'OptiMax 7010', 'Acme Computers', 'BSN-0002');
INSERT INTO BIOS VALUES (2, 1, '0.9', '2019-03-01', '', 'Legacy BIOS', 'Old model', 'Old maker', '');
INSERT INTO CPU VALUES (2, 0, 2400, 'GenuineCorp', 'Core X 5600');
INSERT INTO CPU VALUES (2, 1, 2400, 'GenuineCorp', 'Core X 5600');
INSERT INTO CPU VALUES (2, 2, 0, '', 'A&B');
INSERT INTO MotherBoard VALUES (2, 0, 'Acme Board', '1.0', 'B760M');
INSERT INTO PhysicalMemory VALUES (2, 0, 'DIMM 1', 8192);
INSERT INTO PhysicalMemory VALUES (2, 1, 'DIMM 2', 8192);
INSERT INTO SystemSlot VALUES (2, 0, 'PCIe x16', 'In use');
INSERT INTO SystemSlot VALUES (2, 1, 'PCIe x1', 'Available');
INSERT INTO NetworkAdapter VALUES (2, 0, 'Intel Ethernet', '00:11:22:33:44:55', '192.168.1.20', '192.168.1.1', '192.168.1.2', 'Ethernet 802.3', '255.255.255.0', '', '192.168.1.1');
INSERT INTO NetworkAdapter VALUES (2, 1, 'Wi-Fi 6E', '66:77:88:99:AA:BB', '', '10.0.0.1', '10.0.0.2', 'Wireless', '', '', '10.0.0.1');
INSERT INTO NetworkAdapter VALUES (2, 2, 'Loopback', '', '', '', '', '', '', '', '');
-- The first adapter has its own address: this row must never be shown.
INSERT INTO NetworkIPAddress VALUES (2, 0, 0, '1.1.1.1', '255.0.0.0');
INSERT INTO NetworkIPAddress VALUES (2, 1, 0, '10.0.0.15', '255.255.255.0');
INSERT INTO NetworkIPAddress VALUES (2, 1, 1, 'fe80::1', '64');
INSERT INTO VideoAdapter VALUES (2, 0, 'Radeon Pro', 4096, 'Internal DAC');
INSERT INTO Monitor VALUES (2, 0, '1920x1080', 60, 'Dell P2419H');
INSERT INTO Monitor VALUES (2, 1, '2560x1440', 144, 'LG UltraGear');
INSERT INTO DiskDrive VALUES (2, 0, 0, 'Samsung SSD 980', 'C:   ', 465.76);
INSERT INTO DiskDrive VALUES (2, 0, 1, 'WD Blue', '', 931.5);
INSERT INTO DiskDrive VALUES (2, 1, 0, 'HL-DT-ST DVD', 'D:', 0);
INSERT INTO DiskDrive VALUES (2, 2, 0, 'Floppy 3.5', '   ', -1.5);
INSERT INTO DiskDrive VALUES (2, 3, 0, 'Tape unit', 'T:', 100);
INSERT INTO LogicalDisk VALUES (2, 0, 0, 0, 'C:', 465.76, 120.5, 'NTFS   ');
INSERT INTO LogicalDisk VALUES (2, 1, 0, 1, 'E:', 931.5, 900.25, 'ext4');
INSERT INTO LogicalDisk VALUES (2, 2, 1, 0, 'D:', 0, 0, 'CDFS');
INSERT INTO Printer VALUES (2, 0, 'HP LaserJet', 'USB001', 3);
INSERT INTO Printer VALUES (2, 1, 'PDF writer', 'FILE:', 0);
INSERT INTO SoundCard VALUES (2, 0, 'Realtek HD Audio');
INSERT INTO Keyboard VALUES (2, 0, 'Standard PS/2 Keyboard');
INSERT INTO PointingDevice VALUES (2, 0, 'HID mouse');
INSERT INTO PeripheralDevice VALUES (2, 5, 0, 'USB Hub');
INSERT INTO PeripheralDevice VALUES (2, 5, 1, 'USB Camera');
INSERT INTO PeripheralDevice VALUES (2, 6, 0, '56k Modem');
INSERT INTO PeripheralDevice VALUES (2, 7, 0, 'Unlisted device type');
INSERT INTO PeripheralDevice VALUES (2, 14, 0, 'LPT1');
INSERT INTO PeripheralDevice VALUES (2, 15, 0, 'COM1');
INSERT INTO PeripheralDevice VALUES (2, 16, 0, 'IrDA port');
INSERT INTO PeripheralDevice VALUES (2, 17, 0, 'PCMCIA controller');

-- User-defined device types and their properties.
INSERT INTO AdditionalHardwareDevice VALUES (1, 'Docking station', 0, 0, 1);
INSERT INTO AdditionalHardwareDevice VALUES (10, 'Asset label', 1, 0, 2);
INSERT INTO AdditionalHardwareDevice VALUES (11, 'UPS', 0, 0, 3);
INSERT INTO AdditionalHardwareDevice VALUES (20, 'X', 0, 0, 10);
INSERT INTO AdditionalHardwareDevice VALUES (21, 'Y', 0, 0, 11);
INSERT INTO AdditionalHardwareDevice VALUES (22, 'Z', 0, 1, 12);
INSERT INTO AdditionalHardwareDevice VALUES (23, 'W', 0, 0, 13);
INSERT INTO AdditionalHardwareProperty VALUES (1, 1, 'A', 0, 1);
INSERT INTO AdditionalHardwareProperty VALUES (2, 1, 'B', 0, 2);
INSERT INTO AdditionalHardwareProperty VALUES (3, 1, 'C', 0, 3);
INSERT INTO AdditionalHardwareProperty VALUES (30, 10, 'Label', 0, 1);
INSERT INTO AdditionalHardwareProperty VALUES (31, 10, 'Owner', 0, 2);
INSERT INTO AdditionalHardwareProperty VALUES (32, 10, 'Location', 0, 3);
INSERT INTO AdditionalHardwareProperty VALUES (40, 11, 'Model', 1, 1);
INSERT INTO AdditionalHardwareProperty VALUES (41, 11, 'Capacity', 0, 2);
INSERT INTO AdditionalHardwareProperty VALUES (42, 11, 'Notes', 1, 3);
INSERT INTO AdditionalHardwareProperty VALUES (43, 11, 'Serial', 0, 4);
INSERT INTO AdditionalHardwareProperty VALUES (50, 20, 'X1', 0, 1);
INSERT INTO AdditionalHardwareProperty VALUES (51, 21, 'Y1', 0, 1);
INSERT INTO AdditionalHardwareProperty VALUES (52, 22, 'Z1', 0, 1);
INSERT INTO AdditionalHardwareProperty VALUES (53, 23, 'W1', 0, 1);

-- PC 2: one device without flags, properties A, B and C.
INSERT INTO AdditionalHardware VALUES (2, 1, 1, 0, 'Dock <USB-C> & power');
INSERT INTO AdditionalHardware VALUES (2, 1, 2, 0, '日本');
INSERT INTO AdditionalHardware VALUES (2, 1, 3, 0, NULL);

-- PC 3: no system overview, BIOS row 0 with an empty maker and model, only a
-- CD-ROM among the drives, monitors without a video adapter.
INSERT INTO BIOS VALUES (3, 0, '2.0', '', '', 'Phoenix', '', '', '');
INSERT INTO DiskDrive VALUES (3, 1, 0, 'USB DVD writer', 'E:', 4.7);
INSERT INTO Monitor VALUES (3, 0, '1366x768', 60, 'Built-in panel');

-- PC 4: BIOS rows 1 and 2 only; device types that are shown nowhere.
INSERT INTO BIOS VALUES (4, 1, '3.1', '2021-06-01', 'AT-4', 'Insyde', 'Model 4', 'Maker 4', 'S4');
INSERT INTO BIOS VALUES (4, 2, '3.2', '2022-06-01', 'AT-4b', 'Insyde', 'Model 4b', 'Maker 4b', 'S4b');
INSERT INTO DiskDrive VALUES (4, 3, 0, 'Tape unit', 'T:', 100);
INSERT INTO PeripheralDevice VALUES (4, 7, 0, 'Unlisted device type');

-- PC 5: several instances (titles Label1, Label2) and double-width columns.
INSERT INTO AdditionalHardware VALUES (5, 10, 30, 0, 'LBL-001');
INSERT INTO AdditionalHardware VALUES (5, 10, 31, 0, 'IT');
INSERT INTO AdditionalHardware VALUES (5, 10, 32, 0, 'Room 1');
INSERT INTO AdditionalHardware VALUES (5, 10, 30, 1, 'LBL-002');
INSERT INTO AdditionalHardware VALUES (5, 10, 31, 1, 'Finance');
INSERT INTO AdditionalHardware VALUES (5, 10, 32, 1, 'Room 2');
INSERT INTO AdditionalHardware VALUES (5, 11, 40, 0, 'Smart-UPS 1500');
INSERT INTO AdditionalHardware VALUES (5, 11, 41, 0, '1500 VA');
INSERT INTO AdditionalHardware VALUES (5, 11, 42, 0, 'Battery replaced 2025');
INSERT INTO AdditionalHardware VALUES (5, 11, 43, 0, 'UPS-77');

-- PC 6: devices X and Y share a box, Z has its own, W starts a third.
INSERT INTO AdditionalHardware VALUES (6, 20, 50, 0, 'x');
INSERT INTO AdditionalHardware VALUES (6, 21, 51, 0, 'y');
INSERT INTO AdditionalHardware VALUES (6, 22, 52, 0, 'z');
INSERT INTO AdditionalHardware VALUES (6, 23, 53, 0, 'w');
