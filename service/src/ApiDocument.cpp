#include "ApiDocument.h"

namespace verinox::checkd {

std::string_view openApiDocument() {
    return R"json({
  "openapi": "3.1.0",
  "info": {
    "title": "verinox-checkd",
    "version": "2",
    "description": "Checks e-mail addresses: syntax, domain and mail exchangers, mailbox (SMTP without sending), classification. Texts meant for people are German."
  },
  "paths": {
    "/tools/verinox/checkmail.php": {
      "get": {
        "summary": "Check one address",
        "parameters": [
          {"name": "email", "in": "query", "required": false, "schema": {"type": "string", "maxLength": 320},
           "description": "The address, percent-encoded; '+' stays '+'."},
          {"name": "format", "in": "query", "required": false, "schema": {"type": "string", "enum": ["json"]},
           "description": "json answers with the result object; so does 'Accept: application/json'."}
        ],
        "responses": {
          "200": {"description": "The result page (367 x 113 pixels on top, the report below) or the result object.",
                  "content": {"text/html": {}, "application/json": {"schema": {"$ref": "#/components/schemas/CheckResult"}}}},
          "503": {"description": "Too many checks under way; see Retry-After."}
        }
      }
    },
    "/health": {
      "get": {
        "summary": "Whether the service serves",
        "responses": {
          "200": {"description": "Serving.", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Health"}}}},
          "503": {"description": "Stopping.", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Health"}}}}
        }
      }
    },
    "/openapi.json": {
      "get": {"summary": "This document", "responses": {"200": {"description": "OpenAPI 3.1", "content": {"application/json": {}}}}}
    }
  },
  "components": {
    "schemas": {
      "Health": {
        "type": "object",
        "required": ["status", "schemaVersion", "connections", "checksUnderWay"],
        "properties": {
          "status": {"type": "string", "enum": ["ok", "stopping"]},
          "schemaVersion": {"type": "integer"},
          "connections": {"type": "integer"},
          "checksUnderWay": {"type": "integer"}
        }
      },
      "CheckResult": {
        "type": "object",
        "required": ["schemaVersion", "address", "verdict", "reason", "reasonKey", "suggestion", "syntax", "domain", "mailbox", "classification"],
        "properties": {
          "schemaVersion": {"const": 2},
          "address": {"type": "string", "description": "As requested; invisible and control characters replaced by U+FFFD."},
          "verdict": {"type": "string", "enum": ["gültig", "riskant", "ungültig", "unbekannt"]},
          "reason": {"type": "string", "description": "German, for people."},
          "reasonKey": {"type": "string", "enum": ["deliverable", "syntax", "no-such-domain", "null-mx", "no-mail-host", "dns-unknown",
            "no-such-mailbox", "mailbox-disabled", "mailbox-full", "sender-blocked", "temporary", "refused", "no-smtputf8",
            "no-connection", "exchanger-not-checked", "literal-not-checked", "exchanger-busy", "catch-all", "catch-all-undecided",
            "disposable", "role-address", "internal-error"]},
          "suggestion": {"type": ["string", "null"]},
          "syntax": {
            "type": "object",
            "properties": {
              "valid": {"type": "boolean"}, "detail": {"type": "string"}, "asciiDomain": {"type": "string"},
              "internationalLocalPart": {"type": "boolean"}, "internationalDomain": {"type": "boolean"}, "addressLiteral": {"type": "boolean"}
            }
          },
          "domain": {
            "type": ["object", "null"],
            "properties": {
              "status": {"type": "string", "enum": ["mx", "implicit-mx", "null-mx", "no-such-domain", "no-mail-host", "unknown"]},
              "detail": {"type": "string"},
              "exchangers": {"type": "array", "description": "Only exchangers that may be asked.", "items": {
                "type": "object",
                "properties": {"host": {"type": "string"}, "preference": {"type": "integer"}, "addresses": {"type": "array", "items": {"type": "string"}}}
              }},
              "exchangersNotChecked": {"type": "integer", "description": "Exchangers left out: only special-purpose addresses."}
            }
          },
          "mailbox": {
            "type": ["object", "null"],
            "properties": {
              "status": {"type": "string", "enum": ["deliverable", "rejected", "disabled", "mailbox-full", "sender-blocked", "temporary", "refused",
                "no-smtputf8", "no-connection", "private-exchanger", "literal-not-probed", "busy"]},
              "detail": {"type": "string"},
              "catchAll": {"type": "boolean", "description": "True only when a random address was accepted too."},
              "catchAllTest": {"type": "string", "enum": ["yes", "no", "undecided", "not-tested"]},
              "exchanger": {"type": "string"},
              "replyCode": {"type": "integer"},
              "enhancedCode": {"type": ["string", "null"], "pattern": "^[245]\\.[0-9]{1,3}\\.[0-9]{1,3}$"},
              "replyText": {"type": "string"},
              "retryAfterSeconds": {"type": ["integer", "null"]}
            }
          },
          "classification": {
            "type": ["object", "null"],
            "properties": {"disposable": {"type": "boolean"}, "freeProvider": {"type": "boolean"}, "roleAddress": {"type": "boolean"}}
          }
        }
      }
    }
  }
}
)json";
}

}  // namespace verinox::checkd
