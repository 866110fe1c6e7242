// Every status the tool and its services report, with Windows's names and values: the COM and Win32
// families platform.h's callers see, and the OPC (packaging), XPS markup, font, imaging and storage
// families the document service fails with. platform.h includes it after the types, as windows.h
// includes its error header.
#pragma once

#include "platform.h"

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_PRINTQ_FULL = 61;
constexpr DWORD ERROR_PRINT_CANCELLED = 63;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_OPEN_FAILED = 110;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_NAME = 123;
// What Windows reports for a DLL that cannot be found.
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_NOT_FOUND = 1168;
constexpr DWORD ERROR_CANCELLED = 1223;
constexpr DWORD RPC_S_SERVER_UNAVAILABLE = 1722;
constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;
constexpr DWORD ERROR_INVALID_PRINTER_STATE = 1906;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

constexpr HRESULT HRESULT_FROM_WIN32(DWORD code)
{
    return code == 0 ? 0 : static_cast<HRESULT>((code & 0xFFFF) | 0x80070000u);
}

constexpr HRESULT DocumentStatus(std::uint32_t facility, std::uint32_t code)
{
    return static_cast<HRESULT>(0x80000000u | (facility << 16) | code);
}

constexpr std::uint32_t FACILITY_OPC = 0x51;
constexpr std::uint32_t FACILITY_XPS = 0x52;

constexpr HRESULT OPC_E_NONCONFORMING_URI = DocumentStatus(FACILITY_OPC, 0x1);
constexpr HRESULT OPC_E_MISSING_CONTENT_TYPES = DocumentStatus(FACILITY_OPC, 0x7);
constexpr HRESULT OPC_E_DUPLICATE_PART = DocumentStatus(FACILITY_OPC, 0xb);
constexpr HRESULT OPC_E_DUPLICATE_PIECE = DocumentStatus(FACILITY_OPC, 0x15);
constexpr HRESULT OPC_E_INVALID_PIECE = DocumentStatus(FACILITY_OPC, 0x16);
constexpr HRESULT OPC_E_MISSING_PIECE = DocumentStatus(FACILITY_OPC, 0x17);
constexpr HRESULT OPC_E_ZIP_INCORRECT_DATA_SIZE = DocumentStatus(FACILITY_OPC, 0x1001);
constexpr HRESULT OPC_E_ZIP_CORRUPTED_ARCHIVE = DocumentStatus(FACILITY_OPC, 0x1002);
constexpr HRESULT OPC_E_ZIP_DECOMPRESSION_FAILED = DocumentStatus(FACILITY_OPC, 0x1004);
constexpr HRESULT OPC_E_ZIP_INCONSISTENT_FILEITEM = DocumentStatus(FACILITY_OPC, 0x1005);
constexpr HRESULT OPC_E_ZIP_INCONSISTENT_DIRECTORY = DocumentStatus(FACILITY_OPC, 0x1006);
constexpr HRESULT OPC_E_ZIP_MISSING_DATA_DESCRIPTOR = DocumentStatus(FACILITY_OPC, 0x1007);
constexpr HRESULT OPC_E_ZIP_UNSUPPORTEDARCHIVE = DocumentStatus(FACILITY_OPC, 0x1008);
constexpr HRESULT OPC_E_ZIP_CENTRAL_DIRECTORY_TOO_LARGE = DocumentStatus(FACILITY_OPC, 0x1009);
constexpr HRESULT OPC_E_ZIP_DUPLICATE_NAME = DocumentStatus(FACILITY_OPC, 0x100b);
constexpr HRESULT OPC_E_ZIP_MISSING_END_OF_CENTRAL_DIRECTORY = DocumentStatus(FACILITY_OPC, 0x100f);

constexpr HRESULT XPS_E_INVALID_PAGE_SIZE = DocumentStatus(FACILITY_XPS, 0x3);
constexpr HRESULT XPS_E_INVALID_MARKUP = DocumentStatus(FACILITY_XPS, 0xc);
constexpr HRESULT XPS_E_MISSING_RELATIONSHIP_TARGET = DocumentStatus(FACILITY_XPS, 0x105);
constexpr HRESULT XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP = DocumentStatus(FACILITY_XPS, 0x108);
constexpr HRESULT XPS_E_MISSING_DOCUMENT = DocumentStatus(FACILITY_XPS, 0x109);
constexpr HRESULT XPS_E_MISSING_REFERRED_DOCUMENT = DocumentStatus(FACILITY_XPS, 0x10a);
constexpr HRESULT XPS_E_MISSING_REFERRED_PAGE = DocumentStatus(FACILITY_XPS, 0x10b);
constexpr HRESULT XPS_E_MISSING_PAGE_IN_DOCUMENT = DocumentStatus(FACILITY_XPS, 0x10c);
constexpr HRESULT XPS_E_MISSING_PART_REFERENCE = DocumentStatus(FACILITY_XPS, 0x110);

// A part whose data is not a font or not an image, as DirectWrite and WIC report it.
constexpr HRESULT DWRITE_E_FILEFORMAT = static_cast<HRESULT>(0x88985000);
constexpr HRESULT WINCODEC_ERR_BADIMAGE = static_cast<HRESULT>(0x88982F60);
constexpr HRESULT WINCODEC_ERR_BADHEADER = static_cast<HRESULT>(0x88982F61);
constexpr HRESULT WINCODEC_ERR_IMAGESIZEOUTOFRANGE = static_cast<HRESULT>(0x88982F51);

constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001D);
