// The statuses the XPS document service fails with: Windows's own values for the same cases, from its
// OPC (packaging), XPS markup, font, imaging and storage families.
#pragma once

#include "platform.h"

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

constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_OPEN_FAILED = 110;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;
