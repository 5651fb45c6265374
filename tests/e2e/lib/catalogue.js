// The "catalogue" table: one field of every field type and every input
// type, with the flags the tests need.
'use strict';

const { field, project } = require('./project');

function catalogueFields() {
  return [
    field('title', 'Text', 'Text', 'RUSVE', { Name: 'Title', MaxLength: 100 }),
    field('code', 'Text', 'Text', 'KSE', { Name: 'Code', MaxLength: 20 }),
    field('notes', 'Text', 'Text area', 'SE', {
      Name: 'Notes', TextAreaColumns: 40, TextAreaLines: 4,
    }),
    field('colour', 'Text', 'Radio', 'SVE', {
      Name: 'Colour', EnumValues: ['red', 'green', 'sky "blue"'],
    }),
    field('size', 'Text', 'Select', 'SE', { Name: 'Size', EnumValues: ['small', 'medium', 'large'] }),
    field('amount', 'Integer', 'Text', 'SVE', { Name: 'Amount', MaxLength: 10 }),
    field('price', 'Real number', 'Text', 'SVE', { Name: 'Price', DecimalSymbol: ',', MaxLength: 12 }),
    field('active', 'Yes/No', 'Checkbox', 'SVE', { Name: 'Active' }),
    field('born', 'Date & time', 'Date & time', 'SVE', {
      Name: 'Born', DateTimeFormat: 'DD/MM/YYYY hh:mm',
    }),
    field('alarm', 'Date & time', 'Date & time', 'SE', { Name: 'Alarm', DateTimeFormat: 'hh:mm:ss' }),
    field('photo', 'Image', 'Image', 'VE', { Name: 'Photo', ImageWidth: 48, ImageHeight: 0 }),
    field('poster', 'Image link', 'Image link', 'VE', { Name: 'Poster' }),
    field('contact', 'Mailto', 'Mailto', 'SVE', { Name: 'Contact' }),
    field('homepage', 'Hyperlink', 'Hyperlink', 'SVE', { Name: 'Homepage' }),
    field('secret', 'Text', 'Text', 'SVHE', { Name: 'Secret' }),
  ];
}

function catalogue(tableName, settings = {}) {
  return project(tableName, catalogueFields(), settings);
}

module.exports = { catalogue, catalogueFields };
