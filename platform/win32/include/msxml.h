// The XML DOM in-process server ("Microsoft.XMLDOM"): document, node and node-list interfaces.
// A deliberate subset: only the members this server implements are declared, so the vtables here
// are this layer's own and are shared by every module built against this header.
#pragma once

#include "oaidl.h"

typedef enum tagDOMNodeType {
    NODE_INVALID = 0,
    NODE_ELEMENT = 1,
    NODE_ATTRIBUTE = 2,
    NODE_TEXT = 3,
    NODE_CDATA_SECTION = 4,
    NODE_ENTITY_REFERENCE = 5,
    NODE_ENTITY = 6,
    NODE_PROCESSING_INSTRUCTION = 7,
    NODE_COMMENT = 8,
    NODE_DOCUMENT = 9,
    NODE_DOCUMENT_TYPE = 10,
    NODE_DOCUMENT_FRAGMENT = 11,
    NODE_NOTATION = 12
} DOMNodeType;

DEFINE_GUID(CLSID_DOMDocument, 0x2933BF90, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60);
DEFINE_GUID(IID_IXMLDOMNode, 0x2933BF80, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60);
DEFINE_GUID(IID_IXMLDOMDocument, 0x2933BF81, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60);
DEFINE_GUID(IID_IXMLDOMNodeList, 0x2933BF82, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60);
DEFINE_GUID(IID_IXMLDOMElement, 0x2933BF86, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60);

interface IXMLDOMNodeList;

// A node of a loaded document. Strings come back as BSTRs the caller frees.
interface IXMLDOMNode : public IDispatch
{
    STDMETHOD(get_nodeName)(BSTR *name) = 0;
    STDMETHOD(get_nodeType)(DOMNodeType *type) = 0;
    STDMETHOD(get_childNodes)(IXMLDOMNodeList **childList) = 0;
    STDMETHOD(get_text)(BSTR *text) = 0;
    STDMETHOD(selectNodes)(BSTR queryString, IXMLDOMNodeList **resultList) = 0;
    STDMETHOD(selectSingleNode)(BSTR queryString, IXMLDOMNode **resultNode) = 0;
};

// A node that is an element; it adds nothing to the node members declared here.
interface IXMLDOMElement : public IXMLDOMNode
{
};

// An ordered list of nodes with a cursor for nextNode.
interface IXMLDOMNodeList : public IDispatch
{
    STDMETHOD(get_item)(LONG index, IXMLDOMNode **listItem) = 0;
    STDMETHOD(get_length)(LONG *listLength) = 0;
    STDMETHOD(nextNode)(IXMLDOMNode **nextItem) = 0;
    STDMETHOD(reset)() = 0;
};

// The document: the root of the tree and the parser.
interface IXMLDOMDocument : public IXMLDOMNode
{
    STDMETHOD(get_documentElement)(IXMLDOMElement **DOMElement) = 0;
    STDMETHOD(loadXML)(BSTR bstrXML, VARIANT_BOOL *isSuccessful) = 0;
};
