// Projects for the browser tests, in the project JSON of corvanta-cli.
'use strict';

const path = require('node:path');
const { binDir } = require('./host');

// A field: `flags` holds R (Required), U (NoDuplicates), K (Key),
// S (Searchable), V (Visible), H (Hidden), E (Editable).
function field(column, type, input, flags = 'SVE', extra = {}) {
  return {
    FieldName: column,
    FieldName2: `${column}two`,
    FieldType: type,
    InputType: input,
    Name: extra.Name || column,
    MaxLength: 60,
    TextLength: 30,
    Required: flags.includes('R'),
    NoDuplicates: flags.includes('U'),
    Key: flags.includes('K'),
    Searchable: flags.includes('S'),
    Visible: flags.includes('V'),
    Hidden: flags.includes('H'),
    Editable: flags.includes('E'),
    ...extra,
  };
}

// The settings a new project has, plus what a site needs to run.
function project(tableName, fields, settings = {}) {
  return {
    DbName: tableName,
    Settings: {
      TableName: tableName,
      DatabaseDisplayName: `The ${tableName} collection`,
      MenuHeight: 100,
      LinesPerPage: 10,
      NumOfFilterFields: 3,
      NumOfSortFields: 3,
      Skin: path.join(binDir, 'skins/default.css'),
      Layout: process.env.CORVANTA_E2E_LAYOUT || 'one-page',
      CharSet: 'UTF-8',
      AdminPassword: 'admin secret',
      UserMode: '',
      UserUpdate: false,
      AllowSearch: false,
      AllowAddModify: false,
      OnlyMembersCanAdd: false,
      AllowDelete: false,
      AllowChangePassword: false,
      AllowSendPassword: false,
      SendEmail: false,
      TableAlign: 'Center',
      FieldDelimiter: '|',
      RecordDelimiter: '\n',
      ReplaceDelimiterWith: '_',
      SearchRecordText: 'Find records by any field.',
      AddRecordText: 'Fill in the form and press Add Record.',
      ModifyRecordText: 'Change what you need.',
      DeleteRecordText: 'Choose the record to delete.',
      AdminSearchRecordText: 'Administrator search.',
      AdminAddRecordText: 'Administrator add.',
      AdminModifyRecordText: 'Administrator modify.',
      AdminDeleteRecordText: 'Administrator delete.',
      EmailSender: 'site@example.org',
      EmailSubject: 'Your record',
      EmailBody: 'Hello "member",\r\nyour record changed.',
      ...settings,
    },
    Fields: fields,
  };
}

module.exports = { field, project };
